// The libmpv functions the media layer calls, each forwarding to libmpv
// opened on its first use. Linking libmpv directly pulls about 230 shared
// libraries (all of FFmpeg's codecs, filters and devices) into every start,
// which costs some 70 ms of symbol lookups before main() even for a show of
// pictures only or the editor; opened this way, only a clip or a sound pays
// for it. When libmpv cannot be opened, mpv_create() returns null, which the
// callers already treat as "no player". The executable does not export
// these names, so libmpv's calls to its own functions stay inside it.

#include <mpv/client.h>
#include <mpv/render.h>

#include "media/lazylibrary.h"

namespace {
constinit media::LazyLibrary g_mpv("libmpv.so.2");
}

KELVRA_LAZY_FORWARD(g_mpv, mpv_handle*, mpv_create, nullptr, (void), ())
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_initialize, MPV_ERROR_UNINITIALIZED, (mpv_handle * ctx), (ctx))
KELVRA_LAZY_FORWARD_VOID(g_mpv, mpv_terminate_destroy, (mpv_handle * ctx), (ctx))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_set_option_string, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, const char* name, const char* data), (ctx, name, data))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_command_async, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char** args), (ctx, reply, args))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_get_property, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, const char* name, mpv_format format, void* data),
                   (ctx, name, format, data))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_set_property_async, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char* name, mpv_format format,
                    void* data),
                   (ctx, reply, name, format, data))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_observe_property, MPV_ERROR_UNINITIALIZED,
                   (mpv_handle * ctx, uint64_t reply, const char* name, mpv_format format),
                   (ctx, reply, name, format))
KELVRA_LAZY_FORWARD_VOID(g_mpv, mpv_set_wakeup_callback, (mpv_handle * ctx, void (*cb)(void*), void* d),
                        (ctx, cb, d))
KELVRA_LAZY_FORWARD(g_mpv, mpv_event*, mpv_wait_event, nullptr, (mpv_handle * ctx, double timeout),
                   (ctx, timeout))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_render_context_create, MPV_ERROR_UNINITIALIZED,
                   (mpv_render_context * *res, mpv_handle* mpv, mpv_render_param* params),
                   (res, mpv, params))
KELVRA_LAZY_FORWARD_VOID(g_mpv, mpv_render_context_free, (mpv_render_context * ctx), (ctx))
KELVRA_LAZY_FORWARD(g_mpv, int, mpv_render_context_render, MPV_ERROR_UNINITIALIZED,
                   (mpv_render_context * ctx, mpv_render_param* params), (ctx, params))
KELVRA_LAZY_FORWARD_VOID(g_mpv, mpv_render_context_set_update_callback,
                        (mpv_render_context * ctx, mpv_render_update_fn callback, void* cbctx),
                        (ctx, callback, cbctx))
KELVRA_LAZY_FORWARD(g_mpv, uint64_t, mpv_render_context_update, 0, (mpv_render_context * ctx), (ctx))
