/*
 * A plain X11 window for end-to-end tests, standing in for a host that owns a
 * window: the settings applet's preview, an XScreenSaver host.
 *
 *   kelvra_e2e_xwindow X Y WIDTH HEIGHT
 *
 * Creates a white window at X,Y of WIDTH x HEIGHT, maps it and prints its id
 * (decimal) and a newline on stdout once the server has it. Then reads
 * commands from stdin, one per line, answering each with "ok":
 *   resize W H    resize the window
 *   destroy       destroy the window (the process stays)
 * End of input ends the process.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <xcb/xcb.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: %s X Y WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[2] = {screen->white_pixel, 1 /* override-redirect */};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, (int16_t)atoi(argv[1]),
                      (int16_t)atoi(argv[2]), (uint16_t)atoi(argv[3]), (uint16_t)atoi(argv[4]),
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    static const char title[] = "kelvra e2e host";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_map_window(c, w);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL)); /* a round trip */
    printf("%u\n", (unsigned)w);
    fflush(stdout);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned width = 0, height = 0;
        if (sscanf(line, "resize %u %u", &width, &height) == 2) {
            const uint32_t size[2] = {width, height};
            xcb_configure_window(c, w, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        } else if (strncmp(line, "destroy", 7) == 0) {
            xcb_destroy_window(c, w);
        } else {
            continue;
        }
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
        printf("ok\n");
        fflush(stdout);
    }
    xcb_disconnect(c);
    return 0;
}
