#pragma once
// The runtime's show starts while its bundle is still being unpacked: the
// list, the settings and the first item are there, the rest follows in list
// order. The show keeps the entries that are on their way and waits for one
// only when its turn comes (which also moves it to the front of the queue).

#include <QString>

namespace show {

class PendingFiles {
public:
    virtual ~PendingFiles() = default;
    // `path` is not there yet but is being unpacked.
    virtual bool pending(const QString& path) const = 0;
    // Waits until `path` is unpacked or has failed; true when it exists.
    // Returns at once for paths that are not pending.
    virtual bool await(const QString& path) = 0;
};

} // namespace show
