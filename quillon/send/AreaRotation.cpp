#include "quillon/send/AreaRotation.h"

#include "dialog/Gbk.h"
#include "quillon/app/QuillonIds.h"

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

void AreaRotation::rotationStep()
{
    auto takesPart = [this](int n) { return areas_[static_cast<std::size_t>(n - 1)].takesPart != 0; };
    if (!takesPart(1) && !takesPart(2) && !takesPart(3))
        return;
    for (int i = 0; i < 4; ++i) {
        ++rotationArea;
        if (rotationArea >= 4) {
            if (settings_.rotateOnce) {
                stop();
                rotationArea = 0;
                return;
            }
            rotationArea = 1;
        }
        if (takesPart(rotationArea))
            break;
    }
    host_.sendArea(rotationArea);
}

} // namespace quillon
