#pragma once
// Push buttons, owner-drawn buttons, check boxes and radio buttons.

#include "dialog/qt/controls/ControlAdapter.h"

class QAbstractButton;

namespace dialog::qt {

class ButtonControl : public ControlAdapter {
public:
    /// Button or OwnerDrawButton.
    ButtonControl(const ControlTemplate& c, QWidget* parent);
    void connectSignals(ControlHost& host) override;
    std::string text() const override;
    void setText(const std::string& gbk) override;
    void setPainter(const Painter& painter) override;

protected:
    ButtonControl(int id, QAbstractButton* button, bool ownerDrawn);
    QAbstractButton* button() const;

private:
    bool ownerDrawn_;
};

/// A check box or a radio button: the logic hears one click however the
/// user operates it.
class CheckableControl : public ButtonControl {
public:
    /// CheckBox or RadioButton; a radio button joins radioGroup, or starts
    /// it when it is nullptr.
    CheckableControl(const ControlTemplate& c, QWidget* parent, QButtonGroup*& radioGroup);
    void connectSignals(ControlHost& host) override;
    int check() const override;
    void setCheck(int state) override;

protected:
    bool connectChanges(ControlHost& host) override;

private:
    bool radio_;
    bool toggledUnclicked_ = false; // toggled, and no click seen yet
};

} // namespace dialog::qt
