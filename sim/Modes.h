#pragma once
// The byte-level modes, each the glue between the serving loop and the
// piece that decides what to answer.

#include "sim/Line.h"
#include "sim/ModuleFrames.h"
#include "sim/ReplyTable.h"
#include "sim/StreamGenerator.h"

namespace sim {

class EchoResponder final : public Responder {
public:
    Bytes received(const std::uint8_t* data, std::size_t size, Micros) override { return Bytes(data, data + size); }
    Bytes atDeadline(Micros) override { return {}; }
};

class TableResponder final : public Responder {
public:
    TableResponder(std::vector<ReplyRule> rules, Micros gap) : matcher_(std::move(rules), gap) {}
    Bytes received(const std::uint8_t* data, std::size_t size, Micros now) override
    {
        return matcher_.received(data, size, now);
    }
    std::optional<Micros> deadline() const override { return matcher_.deadline(); }
    Bytes atDeadline(Micros) override { return matcher_.quiet(); }

private:
    ReplyMatcher matcher_;
};

class ModuleResponder final : public Responder {
public:
    ModuleResponder(bool requireCrc, Micros gap) : reader_(requireCrc, gap) {}
    Bytes received(const std::uint8_t* data, std::size_t size, Micros now) override
    {
        Bytes out;
        for (const ModuleFrame& f : reader_.feed(data, size, now)) {
            const Bytes ack = acknowledgement(f);
            out.insert(out.end(), ack.begin(), ack.end());
        }
        return out;
    }
    std::optional<Micros> deadline() const override { return reader_.deadline(); }
    Bytes atDeadline(Micros) override
    {
        reader_.quiet();
        return {};
    }

private:
    ModuleFrameReader reader_;
};

/// Talks on its own; what comes in is read and dropped.
class StreamResponder final : public Responder {
public:
    StreamResponder(const StreamSettings& settings, Micros start) : generator_(settings, start) {}
    Bytes received(const std::uint8_t*, std::size_t, Micros) override { return {}; }
    std::optional<Micros> deadline() const override { return generator_.nextDue(); }
    Bytes atDeadline(Micros now) override { return generator_.due(now); }

private:
    StreamGenerator generator_;
};

} // namespace sim
