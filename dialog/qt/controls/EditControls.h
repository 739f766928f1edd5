#pragma once
// The single-line edit, and the edit operations that a combo box's edit
// shares with it.

#include "dialog/qt/controls/ControlAdapter.h"

class QLineEdit;

namespace dialog::qt {

/// What single-line edits do as the surface's edits: positions are byte
/// offsets into the GBK text.
namespace lineEdit {
void appendText(QLineEdit& edit, const std::string& gbk);
int selectionStart(const QLineEdit& edit);
} // namespace lineEdit

class LineEditControl : public ControlAdapter {
public:
    LineEditControl(const ControlTemplate& c, QWidget* parent);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void appendText(const std::string& gbk) override;
    bool isModified() const override;
    void setModified(bool on) override;
    int selectionStart() const override;
    void moveCaretToEnd() override;

private:
    QLineEdit* edit() const;
};

} // namespace dialog::qt
