#include "pictures/screenbuffers.h"

#include <mutex>
#include <vector>

namespace pictures {

namespace {

// A paint lets go of two buffers (the frame it rendered into and the screen
// it started from) and the next one takes two: more would only be memory.
constexpr size_t kKept = 2;

std::mutex g_mutex;
std::vector<QImage>& kept()
{
    static std::vector<QImage> buffers;
    return buffers;
}

} // namespace

QImage takeScreenBuffer(QSize size)
{
    {
        const std::lock_guard lock(g_mutex);
        std::vector<QImage>& buffers = kept();
        for (auto it = buffers.begin(); it != buffers.end(); ++it) {
            if (it->size() == size) {
                QImage image = std::move(*it);
                buffers.erase(it);
                return image;
            }
        }
    }
    return QImage(size, QImage::Format_RGB32);
}

void recycleScreenBuffer(QImage image)
{
    // isDetached(): this handle is the pixels' only holder, so no one sees
    // them change when the buffer is drawn into again.
    if (image.isNull() || !image.isDetached() || image.format() != QImage::Format_RGB32)
        return;
    image.setDevicePixelRatio(1.0);
    const std::lock_guard lock(g_mutex);
    std::vector<QImage>& buffers = kept();
    if (!buffers.empty() && buffers.front().size() != image.size())
        buffers.clear();
    if (buffers.size() < kKept)
        buffers.push_back(std::move(image));
}

int recycledScreenBuffers()
{
    const std::lock_guard lock(g_mutex);
    return int(kept().size());
}

} // namespace pictures
