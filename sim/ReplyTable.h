#pragma once
// A scripted device: a table of "request => answer" lines and the matcher
// that answers the requests coming down the line by it.
//
// Syntax, one rule a line:
//   01 03 00 00 00 01 84 0A => 01 03 02 00 2A 39 9B
//   01 ?? 00 * => 01 80 01      ("??" any byte; a last "*" any further bytes)
//   * => 06                     (any request)
//   AA =>                       (an answer of nothing: the request is swallowed)
// Hex bytes are pairs of digits, either case, spaces between pairs optional;
// "#" starts a comment to the end of the line.

#include "sim/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct RequestPattern {
    static constexpr int kAnyByte = -1;
    std::vector<int> bytes; // 0 to 255, or kAnyByte
    bool anyTail = false;   // a last "*": any number of further bytes

    bool matches(const Bytes& request) const;
};

struct ReplyRule {
    RequestPattern request;
    Bytes answer;
    int line = 0;
};

struct TableError {
    int line = 0;
    std::string message;
};

struct ParsedTable {
    std::vector<ReplyRule> rules;
    std::vector<TableError> errors; // in line order; rules are valid only if this is empty
};

/// Reads a table's text; every malformed line is reported with its number
/// (counted from 1), the well-formed ones become rules in file order.
ParsedTable parseReplyTable(std::string_view text);

/// Splits the incoming bytes into requests and answers them by the first
/// rule, in file order, that matches.
/// A request ends when the line has been quiet for the gap, or at once when
/// the bytes so far match a rule without a "*" exactly. A request no rule
/// matches is dropped without an answer.
class ReplyMatcher {
public:
    ReplyMatcher(std::vector<ReplyRule> rules, Micros gap);

    /// Bytes arrived at now; the answer if they complete a request (an
    /// unanswered or swallowed request gives nothing).
    Bytes received(const std::uint8_t* data, std::size_t size, Micros now);
    /// When quiet() must run: the end of the gap after the last byte, or
    /// nothing while no request is under way.
    std::optional<Micros> deadline() const;
    /// The gap has passed: the bytes so far are a request.
    Bytes quiet();

private:
    Bytes answer(bool exactOnly);

    std::vector<ReplyRule> rules_;
    Micros gap_;
    Bytes pending_;
    Micros last_ = 0;
};

} // namespace sim
