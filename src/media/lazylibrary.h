#pragma once
// Forwarders to a shared library that is opened on the first call of one of
// its functions. A program compiled against the library's headers then pays
// nothing for it at start: neither the library nor the libraries it pulls in
// are loaded until something really needs them.
//
// Usage, in one source file per library:
//   constinit media::LazyLibrary g_lib("libfoo.so.1");
//   KELVRA_LAZY_FORWARD(g_lib, int, foo_open, FOO_ERROR, (const char* p), (p))
//   KELVRA_LAZY_FORWARD_VOID(g_lib, foo_close, (foo* f), (f))
// Each forwarder looks its function up once. A library or symbol that cannot
// be found gives `fail` (the failure value the library documents, such as an
// error code or a null handle), or does nothing for a void function. The
// executable does not export these names, so the library's calls to its own
// functions stay inside it.

#include <dlfcn.h>

#include <mutex>

namespace media {

class LazyLibrary {
public:
    explicit constexpr LazyLibrary(const char* soname) : m_soname(soname) {}

    // The named function, or null when the library or the name is missing.
    // Safe from any thread.
    template <typename Fn>
    Fn resolve(const char* name)
    {
        std::call_once(m_once, [this] { m_handle = dlopen(m_soname, RTLD_NOW | RTLD_LOCAL); });
        return m_handle ? reinterpret_cast<Fn>(dlsym(m_handle, name)) : nullptr;
    }

private:
    const char* m_soname;
    std::once_flag m_once;
    void* m_handle = nullptr;
};

} // namespace media

#define KELVRA_LAZY_FORWARD(lib, ret, name, fail, params, args)                                  \
    extern "C" ret name params                                                                   \
    {                                                                                            \
        using Fn = ret(*) params;                                                                \
        static const Fn fn = (lib).resolve<Fn>(#name);                                           \
        if (!fn)                                                                                 \
            return fail;                                                                         \
        return fn args;                                                                          \
    }

#define KELVRA_LAZY_FORWARD_VOID(lib, name, params, args)                                        \
    extern "C" void name params                                                                  \
    {                                                                                            \
        using Fn = void(*) params;                                                               \
        static const Fn fn = (lib).resolve<Fn>(#name);                                           \
        if (fn)                                                                                  \
            fn args;                                                                             \
    }
