#pragma once
// Copies between a window's controls and the fields of its logic, in the
// order of a binding list. Written once; each window declares its list.

#include "dialog/ControlSurface.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dialog {

struct Binding {
    enum class Kind {
        Control,      // the control object itself: nothing is copied
        Position,     // a list's selected position (-1 none)
        SelectedText, // a list's selected text; shown by prefix selection
        Text,
        Check,
        Integer,   // "%d"; read by parseInteger
        ComboText, // a combo box's edit text; shown by prefix selection,
                   // or as plain text when no item begins with it
    };
    int id;
    Kind kind;
    std::variant<std::monostate, int*, std::string*, bool*> field;
    /// Text kinds: a read of more bytes than this fails (0: no limit).
    int maxChars = 0;

    bool operator==(const Binding&) const = default;

    static Binding control(int id) { return {id, Kind::Control, std::monostate{}}; }
    static Binding position(int id, int& f) { return {id, Kind::Position, &f}; }
    static Binding selectedText(int id, std::string& f) { return {id, Kind::SelectedText, &f}; }
    static Binding text(int id, std::string& f) { return {id, Kind::Text, &f}; }
    static Binding check(int id, int& f) { return {id, Kind::Check, &f}; }
    /// A check box as a flag: checked or not.
    static Binding check(int id, bool& f) { return {id, Kind::Check, &f}; }
    static Binding integer(int id, int& f) { return {id, Kind::Integer, &f}; }
    static Binding comboText(int id, std::string& f, int maxChars = 0) { return {id, Kind::ComboText, &f, maxChars}; }
};

/// Reads an integer edit's text: at most its first 31 characters, one
/// decimal integer with an optional sign and only blanks or tabs around it.
/// A zero counts only when the number starts with the digit 0 ("-0" and
/// "+0" fail). Values outside 32 bits fail.
std::optional<int> parseInteger(std::string_view text);

/// "%d".
std::string formatInteger(long long value);

class DataExchange {
public:
    /// @param caption the program's name, caption of the integer message.
    explicit DataExchange(std::string caption) : caption_(std::move(caption)) {}

    /// Controls to fields. Stops at the first integer edit that does not
    /// read: shows "请键入一个整数。" (unless the filter below declines),
    /// gives that edit the focus and returns false; fields bound after it
    /// keep their values. A text longer than its maxChars is stored, then
    /// stops the read the same way with "“请填入不多于%1个的字符。”".
    /// When the surface tells that no bound control changed since the last
    /// read of these bindings, which succeeded, the fields get that read's
    /// values again without asking the controls.
    bool toFields(ControlSurface& s, std::span<const Binding> bindings) const;

    /// Fields to controls; every bound control is rewritten.
    void toControls(ControlSurface& s, std::span<const Binding> bindings) const;

    /// Decides whether a failed integer read is shown (id, offending text).
    /// Unset: always shown.
    std::function<bool(int id, const std::string& text)> reportFilter;

    /// The id and text of the last failed read, cleared by a full success.
    const std::optional<std::pair<int, std::string>>& lastFailure() const { return lastFailure_; }

private:
    // A window's tick reads all its controls a hundred times a second,
    // and most of the time none has changed.
    struct LastRead {
        const ControlSurface* surface;
        std::vector<Binding> bindings;
        std::uint64_t changedAt;
        std::vector<std::variant<std::monostate, int, std::string, bool>> values; // one per binding
    };
    /// The latest change of the bound controls; nullopt when the surface
    /// cannot tell for one of them.
    static std::optional<std::uint64_t> lastChange(const ControlSurface& s, std::span<const Binding> bindings);
    void remember(const ControlSurface& s, std::span<const Binding> bindings, std::uint64_t changedAt) const;
    bool repeatLastRead(const ControlSurface& s, std::span<const Binding> bindings,
                        std::optional<std::uint64_t> changed) const;

    std::string caption_;
    mutable std::optional<std::pair<int, std::string>> lastFailure_;
    mutable std::optional<LastRead> lastRead_;
};

} // namespace dialog
