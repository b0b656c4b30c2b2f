#!/bin/sh
# Builds the Debian package of the build folder given and checks what it holds.
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$1/CPackConfig.cmake" -B "$out" > "$out/cpack.log" || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/lorvano_*.deb)
dpkg-deb -I "$deb" > "$out/info"
dpkg-deb -c "$deb" > "$out/contents"
for library in libsdl2-2.0-0 libgtk-3-0 libsodium23 libsqlite3-0 libasound2 libsndfile1; do
  grep -q "^ Depends:.*$library" "$out/info" || { echo "no dependency on $library"; cat "$out/info"; exit 1; }
done
for path in ./usr/bin/lorvano ./usr/bin/lorvano-roster ./usr/libexec/lorvano/trainer ./usr/libexec/lorvano/libPrefs.so \
            ./usr/share/lorvano/english/trainer.ini ./usr/share/applications/org.lorvano.Lorvano.desktop \
            ./usr/share/man/man1/lorvano.1; do
  grep -q " $path\$" "$out/contents" || { echo "missing $path"; exit 1; }
done
echo "package ok: $(basename "$deb"), $(du -h "$deb" | cut -f1)"
