// The data exchange of Quillon's main dialog: its controls read into the
// fields, a handler's change of fields shown in the controls, and the send
// areas' presses between the two.

#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"

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

bool QuillonMainDialog::sendArea(int n, bool emptyFrameCounts)
{
    updateFields();
    return sends_.send(n, emptyFrameCounts);
}

void QuillonMainDialog::appendChecksum(int n)
{
    updateFields();
    if (sends_.area(n).text.empty())
        return;
    // Kept before the dialog: ticks run behind it and upper-case a hex
    // area's field, and the digits go after the text as the user typed it.
    const std::string kept = sends_.area(n).text;
    ChecksumDialog chooser;
    if (surface().runModal(quillonChecksumDialogTemplate(), chooser) != IdOk)
        return;
    if (const auto text = sends_.withChecksum(n, kept, kChecksumList[chooser.kind].value))
        updateControls([&] { sends_.area(n).text = *text; });
}

} // namespace quillon
