#include "quillon/send/AreaRotation.h"

#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"

namespace quillon {

using dialog::gbk;

void AreaRotation::onStartStop(bool fileRotationRunning)
{
    if (fileRotationRunning) {
        host_.reportMessage(gbk("文件轮发正在进行，不能进行发送区轮发，需要的话，请先停止文件轮发！"),
                            dialog::MessageIcon::Warning);
        return;
    }
    if (areaRotationRunning) {
        stop();
        return;
    }
    host_.setControlText(AreaRotationButton, gbk("停止轮发"));
    areaRotationRunning = 1;
    host_.enableControl(FileRotationButton, false);
}

void AreaRotation::stop()
{
    host_.setControlText(AreaRotationButton, gbk("开始轮发"));
    areaRotationRunning = 0;
    host_.enableControl(FileRotationButton, true);
}

void AreaRotation::tick()
{
    if (!areaRotationRunning)
        return;
    // This rotation counts a tick as the timer's 10 ms; auto-send and the
    // file rotation count 14.
    rotationTick(
        settings_, areaRotationTicks, 10, wait_, clock_.now(), [this] { rotationStep(); },
        [this] {
            if (rotationArea >= 1 && rotationArea <= 3)
                host_.sendArea(rotationArea);
        });
}

bool AreaRotation::advance()
{
    for (int i = 0; i < 4; ++i) {
        ++rotationArea;
        if (rotationArea >= 4) {
            if (settings_.rotateOnce) {
                stop();
                rotationArea = 0;
                return false;
            }
            rotationArea = 1;
        }
        if (areas_[static_cast<std::size_t>(rotationArea - 1)].takesPart)
            return true;
    }
    return true;
}

void AreaRotation::rotationStep()
{
    int taking = 0;
    for (const SendArea& a : areas_)
        taking += a.takesPart ? 1 : 0;
    if (taking == 0)
        return;
    // An area with nothing to send is passed over within the step, as an
    // answer to nothing would never come; a round of them all ends the
    // rotation.
    for (int tried = 0; tried < taking; ++tried) {
        if (!advance())
            return;
        if (host_.sendArea(rotationArea))
            return;
    }
    stop();
    host_.reportMessage(gbk("参加轮发的发送区都没有可以发送的数据，发送区轮发已停止。"), dialog::MessageIcon::Warning);
}

} // namespace quillon
