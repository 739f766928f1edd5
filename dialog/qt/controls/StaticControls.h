#pragma once
// Controls that show and take no input: labels, group boxes, pictures.

#include "dialog/qt/controls/ControlAdapter.h"

#include <optional>

class QGroupBox;
class QLabel;

namespace dialog::qt {

class LabelControl : public ControlAdapter {
public:
    LabelControl(const ControlTemplate& c, QWidget* parent, ControlHost& host);
    std::string text() const override;
    /// The label's accessible name follows the caption, and so does the
    /// name of the control it labels.
    void setText(const std::string& gbk) override;
    void flushWaiting() const override;

private:
    QLabel* label() const;

    ControlHost& host_;
    mutable std::optional<std::string> shown_; // not yet shown
};

class GroupBoxControl : public ControlAdapter {
public:
    GroupBoxControl(const ControlTemplate& c, QWidget* parent);
    std::string text() const override;
    void setText(const std::string& gbk) override;

private:
    QGroupBox* box() const;
};

/// An area the program paints.
class PictureControl : public ControlAdapter {
public:
    PictureControl(const ControlTemplate& c, QWidget* parent);
    void setPainter(const Painter& painter) override;
};

} // namespace dialog::qt
