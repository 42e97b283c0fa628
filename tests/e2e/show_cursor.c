/* Prints how many pixels of the pointer's current cursor image are not
 * fully transparent: 0 while a blank cursor is shown. */
#include <stdio.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

int main(void)
{
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "show_cursor: cannot open the display\n");
        return 2;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) {
        fprintf(stderr, "show_cursor: no cursor image\n");
        XCloseDisplay(display);
        return 2;
    }
    long visible = 0;
    for (long i = 0; i < (long)image->width * image->height; ++i) {
        if ((image->pixels[i] >> 24) & 0xFF)
            ++visible;
    }
    printf("%ld\n", visible);
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
