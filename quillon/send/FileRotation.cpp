#include "quillon/send/FileRotation.h"

#include "dialog/DataExchange.h"
#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"
#include "quillon/send/HexTextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace quillon {

using dialog::gbk;

namespace {

/// Reads a text file line by line, without the line breaks; a CR before
/// the LF goes too, as a text-mode read would drop it.
class LineReader {
public:
    explicit LineReader(const std::string& pathGbk)
        : file_(std::fopen(dialog::pathFromGbk(pathGbk).c_str(), "rb")), error_(file_ ? 0 : errno)
    {
    }
    ~LineReader()
    {
        std::free(buffer_);
        if (file_)
            std::fclose(file_);
    }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// errno of a failed open, 0 when the file is open.
    int error() const { return error_; }
    /// The next line, or nothing past the end.
    std::optional<std::string> next()
    {
        const ssize_t n = ::getline(&buffer_, &capacity_, file_);
        if (n < 0)
            return std::nullopt;
        std::string line(buffer_, static_cast<std::size_t>(n));
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }
    void rewind() { std::rewind(file_); }

private:
    std::FILE* file_;
    int error_;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
};

} // namespace

bool FileRotation::choose(const std::string& pathGbk)
{
    LineReader reader(pathGbk);
    if (reader.error()) {
        host_.reportMessage(dialog::fileErrorMessage(std::error_code(reader.error(), std::generic_category()), pathGbk),
                            dialog::MessageIcon::Stop);
        return false;
    }
    rotationFilePath = pathGbk;
    oversizeReportedFor_.clear();
    fileLineCount = 0;
    while (reader.next())
        ++fileLineCount;
    host_.setControlText(FileLineCount, dialog::formatInteger(fileLineCount));
    return true;
}

void FileRotation::onStartStop(bool areaRotationRunning)
{
    if (areaRotationRunning) {
        host_.reportMessage(gbk("发送区轮发正在进行，不能进行文件轮发，需要的话，请先停止发送区轮发！"),
                            dialog::MessageIcon::Warning);
        return;
    }
    if (rotationFilePath.empty()) {
        host_.reportMessage(gbk("您还没选择文件，无有进行发送！"), dialog::MessageIcon::Warning);
        return;
    }
    if (fileRotationRunning) {
        stop();
        return;
    }
    host_.setControlText(FileRotationButton, gbk("停止文件轮发"));
    fileRotationRunning = 1;
    host_.enableControl(AreaRotationButton, false);
}

void FileRotation::stop()
{
    host_.setControlText(FileRotationButton, gbk("开始文件轮发"));
    fileRotationRunning = 0;
    fileCurrentLine = 1;
    host_.enableControl(AreaRotationButton, true);
}

void FileRotation::tick()
{
    if (!fileRotationRunning || rotationFilePath.empty())
        return;
    rotationTick(
        settings_, fileRotationTicks, 14, wait_, clock_.now(), [this] { fileRotationStep(); },
        [this] {
            // Back to the line sent last; the step sends it and moves on
            // again, so the position ends where it stood.
            --fileCurrentLine;
            fileRotationStep();
        });
}

void FileRotation::fileRotationStep()
{
    // Below 1 only after a re-send right after a start: line 1 is the
    // line sent last that a stop leaves.
    if (fileCurrentLine > fileLineCount || fileCurrentLine < 1)
        fileCurrentLine = 1;
    LineReader reader(rotationFilePath);
    if (reader.error()) {
        stop();
        host_.reportMessage(
            dialog::fileErrorMessage(std::error_code(reader.error(), std::generic_category()), rotationFilePath),
            dialog::MessageIcon::Stop);
        return;
    }
    for (int i = 1; i < fileCurrentLine; ++i)
        reader.next();

    // A line that cannot be sent is passed over within the step; one round
    // through the file without a line to send ends the rotation.
    const int tries = fileLineCount > 0 ? fileLineCount : 1;
    for (int tried = 0; tried < tries; ++tried) {
        const std::string line = upperCased(reader.next().value_or(""));
        std::vector<std::uint8_t> frame;
        bool sendable = !line.empty() && parseHex(line, areas_[0].hex != 0, frame) == HexResult::Ok;
        if (sendable && frame.size() > kMaxLineBytes) {
            sendable = false;
            if (oversizeReportedFor_ != rotationFilePath) {
                oversizeReportedFor_ = rotationFilePath;
                host_.reportMessage(gbk("发送文件第") + std::to_string(fileCurrentLine) + gbk("行的数据有") +
                                        std::to_string(frame.size()) + gbk("字节，超过") +
                                        std::to_string(kMaxLineBytes) + gbk("字节，没有发送。"),
                                    dialog::MessageIcon::Warning);
            }
        }
        if (sendable) {
            host_.setControlText(FileCurrentLine, dialog::formatInteger(fileCurrentLine));
            host_.sendLine(frame, line);
            ++fileCurrentLine;
            if (settings_.rotateOnce && fileCurrentLine > fileLineCount)
                stop();
            return;
        }
        if (++fileCurrentLine > fileLineCount) {
            if (settings_.rotateOnce && tried + 1 < tries) {
                stop(); // the single pass has reached the end
                return;
            }
            fileCurrentLine = 1;
            reader.rewind();
        }
    }
    stop();
    host_.reportMessage(gbk("发送文件") + rotationFilePath + gbk("中没有可以发送的行，文件轮发已停止。"),
                        dialog::MessageIcon::Warning);
}

} // namespace quillon
