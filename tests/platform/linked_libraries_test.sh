#!/bin/sh
# The executable links the web engine on libsoup 3 and nothing that brings libsoup 2 (the older
# engine API, or the toolkit's own web view library built on it): the two libsoups in one process
# abort it.
set -u
vantle=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

needed=$(readelf -d "$vantle" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fail "readelf found no needed libraries in $vantle"
echo "$needed" | grep -qx 'libwebkit2gtk-4\.1\.so\.[0-9]*' || fail "libwebkit2gtk-4.1 is not needed"
# Every library the loader would bring in, directly or through another.
loaded=$(ldd "$vantle") || fail "ldd $vantle failed"
for library in libsoup-2.4 libwebkit2gtk-4.0 libwx_gtk3u_webview; do
    if echo "$loaded" | grep -q "$library"; then
        fail "$library is loaded: $(echo "$loaded" | grep "$library")"
    fi
done
echo "needs libwebkit2gtk-4.1; no libsoup-2.4, libwebkit2gtk-4.0 or wx web view loaded"
