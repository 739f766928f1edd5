#include "dialog/testing/MemorySurface.h"

#include "dialog/Gbk.h"
#include "dialog/TickScheduler.h"

#include <algorithm>

namespace dialog::testing {

MemorySurface::MemorySurface(const WindowTemplate& layout) : MemorySurface()
{
    title = toGbk(layout.title);
    for (const MenuEntry& e : layout.menu)
        if (e.checkable)
            menuChecks[e.command] = false;
    for (const auto& c : layout.controls) {
        if (c.id == kStaticId)
            continue;
        Control& ctl = controls[c.id];
        ctl.rect = c.rect;
        ctl.height = c.rect.h;
        ctl.editable = c.kind == ControlKind::ComboBox;
        if (c.kind == ControlKind::DropList || c.kind == ControlKind::ComboBox) {
            for (const auto& item : c.items)
                ctl.items.push_back(toGbk(item));
            ctl.itemToolTips.resize(ctl.items.size());
        } else if (c.kind != ControlKind::Edit && c.kind != ControlKind::MultiLineEdit &&
                   c.kind != ControlKind::ComboBox && c.kind != ControlKind::RichView) {
            ctl.text = toGbk(c.caption);
        }
        ctl.enabled = (c.styles & style::Disabled) == 0;
        ctl.shown = (c.styles & style::Hidden) == 0;
    }
}

const MemorySurface::Control* MemorySurface::find(int id) const
{
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

std::string MemorySurface::text(int id) const
{
    const Control* c = find(id);
    if (!c)
        return {};
    if (c->editable)
        return c->text;
    if (!c->items.empty() || c->selection >= 0)
        return selectedText(id);
    if (!c->runs.empty())
        return richText(id);
    return c->text;
}

void MemorySurface::setText(int id, const std::string& gbk)
{
    Control& c = at(id);
    c.runs.clear();
    c.text = gbk;
    c.modified = false;
    c.programText.reset();
}

std::optional<std::uint64_t> MemorySurface::changedAt(int id) const
{
    const Control* c = find(id);
    Seen now{text(id), check(id), c ? c->items : std::vector<std::string>{}, selection(id)};
    auto [it, added] = seen_.try_emplace(id);
    if (added || !(it->second == now)) {
        now.at = ++clock_;
        it->second = std::move(now);
    }
    return it->second.at;
}

void MemorySurface::setMenuCheck(int command, bool on)
{
    if (auto it = menuChecks.find(command); it != menuChecks.end())
        it->second = on;
}

std::optional<bool> MemorySurface::menuCheck(int command) const
{
    auto it = menuChecks.find(command);
    return it == menuChecks.end() ? std::nullopt : std::optional<bool>(it->second);
}

int MemorySurface::check(int id) const { return find(id) ? find(id)->check : 0; }
void MemorySurface::setCheck(int id, int state) { at(id).check = state; }
void MemorySurface::enable(int id, bool on) { at(id).enabled = on; }
bool MemorySurface::isEnabled(int id) const { return find(id) ? find(id)->enabled : false; }
void MemorySurface::show(int id, bool on) { at(id).shown = on; }
void MemorySurface::moveControl(int id, const Rect& rect)
{
    Control& c = at(id);
    c.rect = rect;
    c.height = rect.h;
}
bool MemorySurface::isShown(int id) const { return find(id) ? find(id)->shown : false; }

void MemorySurface::clearList(int id)
{
    Control& c = at(id);
    c.items.clear();
    c.itemToolTips.clear();
    c.selection = -1;
    if (c.editable)
        c.text.clear();
}

int MemorySurface::insertItem(int id, int pos, const std::string& gbk)
{
    Control& c = at(id);
    if (pos < 0 || pos > static_cast<int>(c.items.size()))
        pos = static_cast<int>(c.items.size());
    c.items.insert(c.items.begin() + pos, gbk);
    c.itemToolTips.insert(c.itemToolTips.begin() + pos, std::string());
    if (c.selection >= pos)
        ++c.selection;
    return pos;
}

int MemorySurface::itemCount(int id) const { return find(id) ? static_cast<int>(find(id)->items.size()) : 0; }

std::string MemorySurface::itemText(int id, int pos) const
{
    const Control* c = find(id);
    if (!c || pos < 0 || pos >= static_cast<int>(c->items.size()))
        return {};
    return c->items[static_cast<std::size_t>(pos)];
}

int MemorySurface::selection(int id) const { return find(id) ? find(id)->selection : -1; }

void MemorySurface::select(int id, int pos)
{
    Control& c = at(id);
    c.selection = pos >= 0 && pos < static_cast<int>(c.items.size()) ? pos : -1;
    // A combo box's edit shows the selected item, or nothing.
    if (c.editable)
        c.text = c.selection >= 0 ? c.items[static_cast<std::size_t>(c.selection)] : std::string();
}

void MemorySurface::setItemToolTip(int id, int pos, const std::string& gbk)
{
    Control& c = at(id);
    if (pos >= 0 && pos < static_cast<int>(c.itemToolTips.size()))
        c.itemToolTips[static_cast<std::size_t>(pos)] = gbk;
}

MessageAnswer MemorySurface::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons, const std::string& detail)
{
    messages.push_back({text, caption, icon, buttons, detail});
    // A copy: ticks run inside the box may show more boxes and grow the list.
    if (onMessage)
        onMessage(ShownMessage(messages.back()));
    if (messageAnswers.empty())
        return MessageAnswer::Ok;
    MessageAnswer a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
}

std::optional<std::string> MemorySurface::openFileDialog(const FileDialogOptions& options)
{
    fileDialogs.push_back(options);
    if (fileAnswers.empty())
        return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::optional<std::string> MemorySurface::saveFileDialog(const FileDialogOptions& options)
{
    return openFileDialog(options);
}

int MemorySurface::runModal(const WindowTemplate& layout, DialogLogic& logic)
{
    modalTitles.push_back(toGbk(layout.title));
    return modalHandler ? modalHandler(layout, logic) : 2;
}

void MemorySurface::appendRich(int id, const std::string& gbk, Rgb colour)
{
    Control& c = at(id);
    if (!c.text.empty() && c.runs.empty()) {
        c.runs.push_back({c.text, c.defaultColour});
        c.text.clear();
    }
    c.runs.push_back({gbk, colour});
}

std::string MemorySurface::richText(int id) const
{
    const Control* c = find(id);
    if (!c)
        return {};
    if (c->runs.empty())
        return c->text;
    std::string all;
    for (const auto& r : c->runs)
        all += r.text;
    return all;
}

void MemorySurface::setRichText(int id, const std::string& gbk)
{
    Control& c = at(id);
    c.runs.clear();
    c.text.clear();
    if (!gbk.empty())
        c.runs.push_back({gbk, c.defaultColour});
}

int MemorySurface::textLength(int id) const
{
    // Characters, not bytes: a GBK double-byte character and a "\r\n" pair
    // count one each.
    const std::string t = richText(id);
    int n = 0;
    for (std::size_t i = 0; i < t.size(); ++i, ++n) {
        if ((isGbkLeadByte(t[i]) && i + 1 < t.size()) || (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n'))
            ++i;
    }
    return n;
}

int MemorySurface::lineCount(int id) const
{
    // One line, plus one per paragraph break ("\r\n" counts once).
    const std::string t = richText(id);
    int lines = 1;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r') {
            ++lines;
            if (i + 1 < t.size() && t[i + 1] == '\n')
                ++i;
        } else if (t[i] == '\n') {
            ++lines;
        }
    }
    return lines;
}

} // namespace dialog::testing

namespace dialog::testing {

void MemorySurface::appendText(int id, const std::string& gbk)
{
    Control& c = at(id);
    c.text += gbk;
    c.modified = false;
    if (!gbk.empty()) // as in the window, appending nothing writes nothing
        c.programText.reset();
}

void MemorySurface::revertUserEdits(int id)
{
    Control& c = at(id);
    if (c.programText)
        c.text = std::move(*c.programText);
    c.programText.reset();
    c.modified = false;
}

int MemorySurface::selectionStart(int id) const
{
    const Control* c = find(id);
    if (!c)
        return 0;
    const int size = static_cast<int>(c->text.size());
    return c->caret < 0 || c->caret > size ? size : c->caret;
}

void MemorySurface::moveCaretToEnd(int id)
{
    at(id).caret = -1;
    scrolledToEnd[id] = true;
}

void MemorySurface::userEdit(int id, const std::string& gbk, int caret)
{
    Control& c = at(id);
    if (!c.programText)
        c.programText = std::move(c.text);
    c.text = gbk;
    c.caret = caret;
    c.modified = true;
}

} // namespace dialog::testing

namespace dialog::testing {

// The window's tick scheduler on the test's clock. The maps stay the
// record of what the logic asked for, as the tests read and set them.
class MemorySurface::Schedule final : public TickScheduler::Carrier, private Clock {
public:
    MemorySurface* owner = nullptr;
    FakeClock* clock = nullptr;
    DialogLogic* logic = nullptr;
    TickScheduler ticks{*this, *this};

private:
    std::time_t now() const override { return clock ? clock->now() : 0; }
    std::int64_t monotonicMs() const override { return clock ? clock->monotonicMs() : 0; }

    void startBeat(int, int) override {}
    void stopBeat(int) override {}
    void startCatchUp(int, int) override {}
    void stopCatchUp(int) override {}
    void watch(int, int) override {}
    void unwatch(int id) override { owner->pausedTimers.erase(id); }
    void tick(int id) override
    {
        if (logic)
            logic->onTimer(id);
    }
    void served(std::optional<int>) override {}
};

MemorySurface::MemorySurface() : schedule_(std::make_unique<Schedule>()) {}
MemorySurface::MemorySurface(MemorySurface&&) noexcept = default;
MemorySurface& MemorySurface::operator=(MemorySurface&&) noexcept = default;
MemorySurface::~MemorySurface() = default;

void MemorySurface::startTimer(int id, int ms)
{
    timers[id] = ms;
    pausedTimers.erase(id);
    schedule_->owner = this;
    schedule_->ticks.start(id, ms);
}

void MemorySurface::stopTimer(int id)
{
    timers.erase(id);
    pausedTimers.erase(id);
    schedule_->owner = this;
    schedule_->ticks.stop(id);
}

void MemorySurface::pauseTimerUntilReadable(int id, int fd)
{
    if (timers.count(id))
        pausedTimers[id] = fd;
    schedule_->owner = this;
    schedule_->ticks.pauseUntilReadable(id, fd);
}

void MemorySurface::useClock(FakeClock& clock) { schedule_->clock = &clock; }

void MemorySurface::runTimers(DialogLogic& logic, std::int64_t ms)
{
    Schedule& s = *schedule_;
    s.owner = this;
    s.logic = &logic;
    const std::int64_t until = (s.clock ? s.clock->ms : 0) + ms;
    while (const auto due = s.ticks.nextDue()) {
        const std::int64_t at = (due->atNs + 999999) / 1000000;
        if (at > until || !s.clock)
            break;
        s.clock->ms = std::max(s.clock->ms, at);
        s.ticks.fire(*due);
    }
    if (s.clock)
        s.clock->ms = until;
    s.logic = nullptr;
}

void MemorySurface::portReadable(DialogLogic& logic, int id)
{
    schedule_->owner = this;
    schedule_->logic = &logic;
    schedule_->ticks.readable(id);
    schedule_->logic = nullptr;
}

} // namespace dialog::testing
