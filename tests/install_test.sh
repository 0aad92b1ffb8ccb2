#!/usr/bin/env bash
# The installed layout: the build installed into a temporary root (DESTDIR) runs from there
# on its shipped sample, reads the user's copy of a template before the shipped one, and a
# copy of the programs in a folder the user owns keeps its templates beside them.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
export HOME="$root/home" XDG_DATA_HOME= LANG=zh_CN.UTF-8 LC_ALL=
unset QT_QPA_PLATFORM DISPLAY
mkdir -p "$HOME"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
usr="$root/usr"
for file in bin/roviradavev bin/roviradavev-batch lib/roviradavev/roviradavev-pdfpages.so \
  lib/roviradavev/roviradavev-batch-letters.so \
  share/roviradavev/导入模板.xls share/roviradavev/应收帐款确认函.grf \
  share/applications/io.github.roviradavev.Roviradavev.desktop \
  share/mime/packages/roviradavev-template.xml share/mime/packages/roviradavev-ledger.xml \
  share/icons/hicolor/256x256/apps/io.github.roviradavev.Roviradavev.png \
  share/man/man1/roviradavev-batch.1.gz share/doc/roviradavev/copyright; do
  [ -e "$usr/$file" ] || fail "not installed: $file"
done
[ -z "$(ls "$usr/bin" | grep -v '^roviradavev')" ] || fail "more than the programs in bin"
# The file manager opens ledgers with the program, which is handed the file.
grep -q '^MimeType=.*application/x-roviradavev-ledger;' "$usr/share/applications/io.github.roviradavev.Roviradavev.desktop" ||
  fail "the desktop entry does not open ledgers"
grep -q '^Exec=roviradavev %f$' "$usr/share/applications/io.github.roviradavev.Roviradavev.desktop" ||
  fail "the desktop entry does not hand the file over"

# The shipped sample prints from the installed tree.
out="$("$usr/bin/roviradavev-batch" print "$usr/share/roviradavev/导入模板.xls" --pdf "$root/letters.pdf")"
[ "$out" = "已导出 12 封询证函到“$root/letters.pdf”" ] || fail "print said: $out"
[ "$(pdftotext "$root/letters.pdf" - | grep -c 企业询证函)" = 12 ] || fail "not 12 letters"
"$usr/bin/roviradavev-batch" print "$usr/share/roviradavev/导入模板.xls" --split "$root/each" >/dev/null
[ "$(ls "$root/each" | wc -l)" = 12 ] || fail "not 12 files, one per letter"

# The user's copy of a shipped letter is read before it; the shipped file is untouched.
user="$HOME/.local/share/roviradavev/templates"
mkdir -p "$user"
sed 's/"title": "应收帐款确认函"/"title": "甲所应收函"/' "$usr/share/roviradavev/应收帐款确认函.grf" \
  >"$user/应收帐款确认函.grf"
"$usr/bin/roviradavev-batch" print "$usr/share/roviradavev/导入模板.xls" --pdf "$root/mine.pdf" >/dev/null
pdfinfo "$root/mine.pdf" | grep -q '^Title: *甲所应收函（12 封）$' || fail "the user's copy was not read"
grep -q '"title": "应收帐款确认函"' "$usr/share/roviradavev/应收帐款确认函.grf" || fail "shipped file changed"

# A copy in a folder the user owns is portable: it reads the templates beside it.
mkdir -p "$root/portable"
cp "$usr/bin/roviradavev-batch" "$usr/share/roviradavev/"* "$root/portable/"
sed 's/"title": "应收帐款确认函"/"title": "便携函"/' "$usr/share/roviradavev/应收帐款确认函.grf" \
  >"$root/portable/应收帐款确认函.grf"
"$root/portable/roviradavev-batch" print "$root/portable/导入模板.xls" --pdf "$root/portable.pdf" >/dev/null
pdfinfo "$root/portable.pdf" | grep -q '^Title: *便携函（12 封）$' || fail "the portable copy read elsewhere"

# A copy in a folder the user may not write (another user's, or a shared read-only one) still
# reads the templates beside it.
mkdir -p "$root/shared-copy"
cp "$usr/lib/roviradavev/"*.so "$root/portable/"* "$root/shared-copy/"
if [ "$(id -u)" -eq 0 ]; then
  # Root writes anywhere: run the copy as a user who does not own it.
  chmod 755 "$root"
  other="$root/other-home"
  mkdir -p "$other" && chown nobody "$other"
  as_other=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$other")
else
  chmod 555 "$root/shared-copy"
  other="$root"
  as_other=(env)
fi
"${as_other[@]}" "$root/shared-copy/roviradavev-batch" print "$root/shared-copy/导入模板.xls" \
  --pdf "$other/shared.pdf" >/dev/null || fail "the read-only copy did not print"
pdfinfo "$other/shared.pdf" | grep -q '^Title: *便携函（12 封）$' || fail "the read-only copy read elsewhere"
chmod 755 "$root/shared-copy"

"$usr/bin/roviradavev" --version | grep -q '^roviradavev ' || fail "roviradavev --version"
echo "installed layout: all checks passed"
