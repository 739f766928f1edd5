#pragma once
// Writes a window's control table the way a template reads: control after
// control. An edit, a list or a picture is named by the last label before
// it when that label stands on its row to its left, as screen readers
// expect of a labelled field; the table keeps which label that is, so the
// window can tie the two together.

#include "dialog/ControlSurface.h"
#include "dialog/WindowTemplate.h"

#include <string>
#include <utility>
#include <vector>

namespace dialog {

class TemplateBuilder {
public:
    explicit TemplateBuilder(WindowTemplate& layout) : layout_(layout) {}

    void add(int id, ControlKind kind, const char* caption, Rect r, unsigned styles = 0)
    {
        ControlTemplate c;
        c.id = id;
        c.kind = kind;
        c.caption = caption;
        c.rect = r;
        c.styles = styles;
        if (kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit || kind == ControlKind::DropList ||
            kind == ControlKind::ComboBox || kind == ControlKind::RichView || kind == ControlKind::Picture) {
            if (!nextName_.empty()) {
                c.accessibleName = std::move(nextName_);
                nextName_.clear();
            } else if (lastLabel_ >= 0 && namesOnItsRow(layout_.controls[lastLabel_].rect, r)) {
                c.accessibleName = layout_.controls[lastLabel_].caption;
                c.label = lastLabel_;
                lastLabel_ = -1;
            }
        }
        if (kind == ControlKind::Label && *caption)
            lastLabel_ = static_cast<int>(layout_.controls.size());
        layout_.controls.push_back(std::move(c));
    }
    /// Accessible name of the next edit, list or picture, which has no label on its row.
    void nameNext(const char* caption) { nextName_ = caption; }
    void label(const char* caption, Rect r, int id = kStaticId, unsigned styles = 0)
    {
        add(id, ControlKind::Label, caption, r, styles);
    }
    void edit(int id, Rect r, unsigned styles = 0) { add(id, ControlKind::Edit, "", r, styles); }
    void button(int id, const char* caption, Rect r) { add(id, ControlKind::Button, caption, r); }
    void check(int id, const char* caption, Rect r) { add(id, ControlKind::CheckBox, caption, r); }
    void list(int id, Rect r, std::vector<std::string> items = {})
    {
        add(id, ControlKind::DropList, "", r, style::VScroll);
        layout_.controls.back().items = std::move(items);
    }

private:
    // The label is left of the control and the control's middle lies
    // within the label's height.
    static bool namesOnItsRow(const Rect& label, const Rect& control)
    {
        const int middle = control.y + control.h / 2;
        return label.x < control.x && middle >= label.y && middle < label.y + label.h;
    }

    WindowTemplate& layout_;
    int lastLabel_ = -1; // position of the last label that names nothing yet
    std::string nextName_;
};

/// The logic of a box that only informs: its OK button (id 1) and the close
/// box end it.
class InfoBoxLogic final : public DialogLogic {
public:
    void bind(ControlSurface& s) override { surface_ = &s; }
    void onInit() override {}
    void dispatch(int id, Notification n) override
    {
        if (id == 1 && n == Notification::Clicked)
            surface_->endDialog(1);
    }
    void onTimer(int) override {}
    bool onCloseRequest() override
    {
        surface_->endDialog(2);
        return true;
    }

private:
    ControlSurface* surface_ = nullptr;
};

} // namespace dialog
