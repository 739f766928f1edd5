#pragma once
// Drop-down lists, with or without an edit.

#include "dialog/qt/TextConvert.h"
#include "dialog/qt/controls/ControlAdapter.h"

#include <QObject>

class QComboBox;
class QLineEdit;

namespace dialog::qt {

/// Eats Enter in the edit it watches.
class EnterSwallower : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// DropList or ComboBox; the text of a combo box is its edit's.
class ListControl : public ControlAdapter {
public:
    ListControl(const ControlTemplate& c, QWidget* parent);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void clearList() override;
    int insertItem(int pos, const std::string& gbk) override;
    int itemCount() const override;
    std::string itemText(int pos) const override;
    int selection() const override;
    void select(int pos) override;
    void setItemToolTip(int pos, const std::string& gbk) override;
    void appendText(const std::string& gbk) override;
    bool isModified() const override;
    void setModified(bool on) override;
    int selectionStart() const override;
    void moveCaretToEnd() override;

protected:
    bool connectChanges(ControlHost& host) override;

private:
    QComboBox* box() const;
    QLineEdit* edit() const; // nullptr for a list without an edit

    EnterSwallower enterSwallower_;
    SurfaceTextCache converted_;
    SurfaceTextCache itemConverted_; // the item last asked for: a tick reads the selected one
};

} // namespace dialog::qt
