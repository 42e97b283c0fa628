#!/bin/sh
# Writes XScreenSaver's built-in preferences in the form of a user's
# ~/.xscreensaver: every top-level resource of the installed app-defaults
# file (continuation lines included) without its leading "*".
# Usage: make-xscreensaver-defaults.sh [/etc/X11/app-defaults/XScreenSaver] > out
set -eu
src=${1:-/etc/X11/app-defaults/XScreenSaver}
printf '# XScreenSaver Preferences File\n# XScreenSaver'"'"'s defaults (%s)\n\n' "$(basename "$src")"
awk '
    cont { print; cont = /\\$/; next }
    /^\*[A-Za-z]+:/ { sub(/^\*/, ""); print; cont = /\\$/ }
' "$src"
