// Owning handle for libgsf's reference-counted objects.
#pragma once

#include <glib-object.h>

#include <memory>

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

} // namespace word
