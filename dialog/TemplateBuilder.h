#pragma once
// Writes a window's control table the way a template reads: control after
// control. Edits and lists take the caption of the label just before them
// as their accessible name, as screen readers expect of a labelled field.

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
        if (kind == ControlKind::Label && *caption)
            lastLabel_ = caption;
        if (kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit || kind == ControlKind::DropList ||
            kind == ControlKind::ComboBox || kind == ControlKind::RichView)
            c.accessibleName = lastLabel_;
        layout_.controls.push_back(std::move(c));
    }
    /// Accessible name of the next edit or list when no label precedes it.
    void nameNext(const char* caption) { lastLabel_ = caption; }
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
    WindowTemplate& layout_;
    std::string lastLabel_;
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
