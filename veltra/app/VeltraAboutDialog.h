#pragma once
// The about box's logic: "确定" or the close box end it; it keeps nothing.

#include "dialog/ControlSurface.h"
#include "veltra/app/VeltraIds.h"

namespace veltra {

class VeltraAboutDialog final : public dialog::DialogLogic {
public:
    void bind(dialog::ControlSurface& s) override { surface_ = &s; }
    void onInit() override {}
    void dispatch(int id, dialog::Notification n) override
    {
        if (id == IdOk && n == dialog::Notification::Clicked)
            surface_->endDialog(IdOk);
    }
    void onTimer(int) override {}
    bool onCloseRequest() override
    {
        surface_->endDialog(IdCancel);
        return true;
    }

private:
    dialog::ControlSurface* surface_ = nullptr;
};

} // namespace veltra
