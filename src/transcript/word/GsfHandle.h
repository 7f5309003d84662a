// Owning handle for libgsf's reference-counted objects, and the lock of libgsf.
#pragma once

#include <glib-object.h>

#include <memory>
#include <mutex>

namespace word {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};

template <typename T> class GsfHandle {
public:
    explicit GsfHandle(T* object = nullptr) : m_object(object) {}
    T* get() const { return m_object.get(); }
    explicit operator bool() const { return bool(m_object); }

private:
    std::unique_ptr<T, GObjectUnref> m_object;
};

// libgsf registers the types of its objects when they are first made, without a lock: the writer and
// the reader use it one thread at a time. Held while any of its objects lives.
inline std::mutex& gsfLock() {
    static std::mutex lock;
    return lock;
}

} // namespace word
