#include "dialog/DataExchange.h"

#include "dialog/Gbk.h"

#include <algorithm>
#include <cstdint>

namespace dialog {

std::optional<int> parseInteger(std::string_view text)
{
    text = text.substr(0, 31);
    std::size_t i = 0;
    auto blank = [&](std::size_t k) { return k < text.size() && (text[k] == ' ' || text[k] == '\t'); };
    while (blank(i))
        ++i;
    const std::size_t start = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digitsStart = i;
    std::int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{INT32_MAX} + 1)
            return std::nullopt;
        ++i;
    }
    if (i == digitsStart)
        return std::nullopt;
    while (blank(i))
        ++i;
    if (i != text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    if (value == 0 && text[start] != '0')
        return std::nullopt;
    return static_cast<int>(value);
}

std::string formatInteger(long long value) { return std::to_string(value); }

std::optional<std::uint64_t> DataExchange::lastChange(const ControlSurface& s, std::span<const Binding> bindings)
{
    std::uint64_t latest = 0;
    for (const auto& b : bindings) {
        if (b.kind == Binding::Kind::Control)
            continue;
        const std::optional<std::uint64_t> at = s.changedAt(b.id);
        if (!at)
            return std::nullopt;
        latest = std::max(latest, *at);
    }
    return latest;
}

void DataExchange::remember(const ControlSurface& s, std::span<const Binding> bindings, std::uint64_t changedAt) const
{
    LastRead r{&s, {bindings.begin(), bindings.end()}, changedAt, {}};
    r.values.reserve(bindings.size());
    for (const auto& b : bindings) {
        if (const auto* i = std::get_if<int*>(&b.field))
            r.values.emplace_back(**i);
        else if (const auto* t = std::get_if<std::string*>(&b.field))
            r.values.emplace_back(**t);
        else if (const auto* f = std::get_if<bool*>(&b.field))
            r.values.emplace_back(std::in_place_type<bool>, **f);
        else
            r.values.emplace_back();
    }
    lastRead_ = std::move(r);
}

bool DataExchange::repeatLastRead(const ControlSurface& s, std::span<const Binding> bindings,
                                  std::optional<std::uint64_t> changed) const
{
    if (!changed || !lastRead_ || lastRead_->surface != &s || lastRead_->changedAt != *changed ||
        !std::ranges::equal(lastRead_->bindings, bindings))
        return false;
    // The program may have changed a field since: the controls hold what
    // was read then.
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const auto& v = lastRead_->values[i];
        if (const auto* n = std::get_if<int>(&v))
            *std::get<int*>(bindings[i].field) = *n;
        else if (const auto* t = std::get_if<std::string>(&v))
            *std::get<std::string*>(bindings[i].field) = *t;
        else if (const auto* f = std::get_if<bool>(&v))
            *std::get<bool*>(bindings[i].field) = *f;
    }
    return true;
}

bool DataExchange::toFields(ControlSurface& s, std::span<const Binding> bindings) const
{
    const std::optional<std::uint64_t> changed = lastChange(s, bindings);
    if (repeatLastRead(s, bindings, changed)) {
        lastFailure_.reset();
        return true;
    }
    lastRead_.reset();
    for (const auto& b : bindings) {
        switch (b.kind) {
        case Binding::Kind::Control: break;
        case Binding::Kind::Position: *std::get<int*>(b.field) = s.selection(b.id); break;
        case Binding::Kind::SelectedText: *std::get<std::string*>(b.field) = s.selectedText(b.id); break;
        case Binding::Kind::Text:
        case Binding::Kind::ComboText: {
            std::string& f = *std::get<std::string*>(b.field);
            f = s.text(b.id);
            if (b.maxChars > 0 && f.size() > static_cast<std::size_t>(b.maxChars)) {
                lastFailure_ = std::make_pair(b.id, f);
                std::string message = gbk("“请填入不多于%1个的字符。”");
                message.replace(message.find("%1"), 2, std::to_string(b.maxChars));
                s.messageBox(message, caption_, MessageIcon::Warning);
                s.focus(b.id);
                return false;
            }
            break;
        }
        case Binding::Kind::Check:
            if (bool* const* flag = std::get_if<bool*>(&b.field))
                **flag = s.check(b.id) != 0;
            else
                *std::get<int*>(b.field) = s.check(b.id);
            break;
        case Binding::Kind::Integer: {
            const std::string t = s.text(b.id);
            if (auto v = parseInteger(t)) {
                *std::get<int*>(b.field) = *v;
                break;
            }
            lastFailure_ = std::make_pair(b.id, t);
            if (!reportFilter || reportFilter(b.id, t)) {
                s.messageBox(gbk("请键入一个整数。"), caption_, MessageIcon::Warning);
                s.focus(b.id);
            }
            return false;
        }
        }
    }
    lastFailure_.reset();
    if (changed)
        remember(s, bindings, *changed);
    return true;
}

void DataExchange::toControls(ControlSurface& s, std::span<const Binding> bindings) const
{
    for (const auto& b : bindings) {
        switch (b.kind) {
        case Binding::Kind::Control: break;
        case Binding::Kind::Position: s.select(b.id, *std::get<int*>(b.field)); break;
        case Binding::Kind::SelectedText:
            // A name that begins no item leaves the previous selection.
            s.selectPrefix(b.id, *std::get<std::string*>(b.field));
            break;
        case Binding::Kind::Text: s.setText(b.id, *std::get<std::string*>(b.field)); break;
        case Binding::Kind::ComboText: {
            const std::string& f = *std::get<std::string*>(b.field);
            if (!s.selectPrefix(b.id, f))
                s.setText(b.id, f);
            break;
        }
        case Binding::Kind::Check:
            if (bool* const* flag = std::get_if<bool*>(&b.field))
                s.setCheck(b.id, **flag ? 1 : 0);
            else
                s.setCheck(b.id, *std::get<int*>(b.field));
            break;
        case Binding::Kind::Integer: s.setText(b.id, formatInteger(*std::get<int*>(b.field))); break;
        }
    }
}

} // namespace dialog
