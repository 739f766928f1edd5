#pragma once
// The single-line edit, and the edit operations that a combo box's edit
// shares with it.

#include "dialog/qt/TextConvert.h"
#include "dialog/qt/controls/ControlAdapter.h"

#include <optional>
#include <string>

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
    LineEditControl(const ControlTemplate& c, QWidget* parent, ControlHost& host);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void appendText(const std::string& gbk) override;
    bool isModified() const override;
    void setModified(bool on) override;
    int selectionStart() const override;
    void moveCaretToEnd() override;
    void flushWaiting() const override;

protected:
    bool connectChanges(ControlHost& host) override;

private:
    QLineEdit* edit() const;

    ControlHost& host_;
    mutable std::optional<std::string> shown_; // a read-only edit's text, not yet shown
    SurfaceTextCache converted_;
};

} // namespace dialog::qt
