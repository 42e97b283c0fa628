// The libmpv functions the media layer calls, each forwarding to libmpv
// opened on its first use. Linking libmpv directly pulls about 230 shared
// libraries (all of FFmpeg's codecs, filters and devices) into every start,
// which costs some 70 ms of symbol lookups before main() even for a show of
// pictures only or the editor; opened this way, only a clip or a sound pays
// for it. When libmpv cannot be opened, mpv_create() returns null, which the
// callers already treat as "no player". The executable does not export
// these names, so libmpv's calls to its own functions stay inside it.

#include <dlfcn.h>

#include <mutex>

#include <mpv/client.h>
#include <mpv/render.h>

namespace {

void* library()
{
    static void* handle = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        handle = dlopen("libmpv.so.2", RTLD_NOW | RTLD_LOCAL);
    });
    return handle;
}

template <typename Fn>
Fn resolve(const char* name)
{
    void* lib = library();
    return lib ? reinterpret_cast<Fn>(dlsym(lib, name)) : nullptr;
}

} // namespace

// Each forwarder looks its function up once; a missing library or symbol
// gives the failure value the API documents (an error code, a null handle).
#define KELVRA_MPV_FORWARD(ret, name, fail, params, args)                                        \
    extern "C" ret name params                             \
    {                                                                                            \
        using Fn = ret(*) params;                                                                \
        static const Fn fn = resolve<Fn>(#name);                                                 \
        if (!fn)                                                                                 \
            return fail;                                                                         \
        return fn args;                                                                          \
    }

#define KELVRA_MPV_FORWARD_VOID(name, params, args)                                              \
    extern "C" void name params                            \
    {                                                                                            \
        using Fn = void(*) params;                                                               \
        static const Fn fn = resolve<Fn>(#name);                                                 \
        if (fn)                                                                                  \
            fn args;                                                                             \
    }

KELVRA_MPV_FORWARD(mpv_handle*, mpv_create, nullptr, (void), ())
KELVRA_MPV_FORWARD(int, mpv_initialize, MPV_ERROR_UNINITIALIZED, (mpv_handle * ctx), (ctx))
KELVRA_MPV_FORWARD_VOID(mpv_terminate_destroy, (mpv_handle * ctx), (ctx))
KELVRA_MPV_FORWARD(int, mpv_set_option_string, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, const char* name, const char* data), (ctx, name, data))
KELVRA_MPV_FORWARD(int, mpv_command_async, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char** args), (ctx, reply, args))
KELVRA_MPV_FORWARD(int, mpv_get_property, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, const char* name, mpv_format format, void* data),
                   (ctx, name, format, data))
KELVRA_MPV_FORWARD(int, mpv_set_property_async, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char* name, mpv_format format,
                    void* data),
                   (ctx, reply, name, format, data))
KELVRA_MPV_FORWARD(int, mpv_observe_property, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char* name, mpv_format format),
                   (ctx, reply, name, format))
KELVRA_MPV_FORWARD_VOID(mpv_set_wakeup_callback, (mpv_handle * ctx, void (*cb)(void*), void* d),
                        (ctx, cb, d))
KELVRA_MPV_FORWARD(mpv_event*, mpv_wait_event, nullptr, (mpv_handle * ctx, double timeout),
                   (ctx, timeout))
KELVRA_MPV_FORWARD(int, mpv_render_context_create, MPV_ERROR_UNINITIALIZED,
                   (mpv_render_context * *res, mpv_handle* mpv, mpv_render_param* params),
                   (res, mpv, params))
KELVRA_MPV_FORWARD_VOID(mpv_render_context_free, (mpv_render_context * ctx), (ctx))
KELVRA_MPV_FORWARD(int, mpv_render_context_render, MPV_ERROR_UNINITIALIZED,
                   (mpv_render_context * ctx, mpv_render_param* params), (ctx, params))
KELVRA_MPV_FORWARD_VOID(mpv_render_context_set_update_callback,
                        (mpv_render_context * ctx, mpv_render_update_fn callback, void* cbctx),
                        (ctx, callback, cbctx))
KELVRA_MPV_FORWARD(uint64_t, mpv_render_context_update, 0, (mpv_render_context * ctx), (ctx))
