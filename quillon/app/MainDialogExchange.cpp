// The data exchange of Quillon's main dialog: its controls read into the
// fields, and a handler's change of fields shown in the controls.

#include "quillon/app/QuillonMainDialog.h"

#include <variant>

namespace quillon {

using dialog::Binding;

bool QuillonMainDialog::updateFields()
{
    const bool ok = exchange_.toFields(surface(), bindings_);
    if (ok)
        reportedBadInteger_.reset();
    return ok;
}

void QuillonMainDialog::updateControls(const std::function<void()>& change)
{
    using Value = std::variant<std::monostate, int, std::string>;
    auto valueOf = [](const Binding& b) -> Value {
        if (const auto* i = std::get_if<int*>(&b.field))
            return **i;
        if (const auto* t = std::get_if<std::string*>(&b.field))
            return **t;
        return std::monostate{};
    };
    // A read that stops at a bad integer leaves the fields after it old:
    // writing only what change touched keeps those controls as typed.
    writingBack_ = true;
    updateFields();
    writingBack_ = false;
    std::vector<Value> before;
    before.reserve(bindings_.size());
    for (const Binding& b : bindings_)
        before.push_back(valueOf(b));
    change();
    std::vector<Binding> changed;
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        if (valueOf(bindings_[i]) != before[i])
            changed.push_back(bindings_[i]);
    exchange_.toControls(surface(), changed);
}

} // namespace quillon
