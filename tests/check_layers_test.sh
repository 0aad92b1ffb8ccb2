#!/usr/bin/env bash
# scripts/check-layers on a small tree: an upward include fails with its file and line, an
# allowed one and one within a layer pass, and a relative path is judged by where it lands.
set -uo pipefail
check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform,engine/pdf,engine/designer,report,app}
touch "$tree"/platform/Exception.h "$tree"/engine/ReportTemplate.h "$tree"/report/LetterRun.h \
  "$tree"/app/Tfrmmain.h "$tree"/engine/pdf/PdfError.h
printf '#include "platform/Exception.h"\n#include "ReportTemplate.h"\n#include "pdf/PdfError.h"\n' \
  >"$tree"/engine/ReportEngine.cpp
printf '#include "engine/ReportTemplate.h"\n' >"$tree"/engine/designer/DesignDocument.cpp
fail() { echo "FAIL: $*"; exit 1; }

"$check" "$tree" >/dev/null 2>&1 || fail "a tree within its layers was refused"

printf '// the engine\n#include <QString>\n#include "../../report/LetterRun.h"\n' \
  >"$tree"/engine/pdf/PageSplitter.cpp
out="$("$check" "$tree" 2>&1)" && fail "an upward relative include passed"
[[ "$out" == *'engine/pdf/PageSplitter.cpp:3: engine/pdf/ may not include report/'* ]] ||
  fail "the report does not name file, line and layers: $out"
rm "$tree"/engine/pdf/PageSplitter.cpp

printf '#include "app/Tfrmmain.h"\n' >>"$tree"/engine/designer/DesignDocument.cpp
out="$("$check" "$tree" 2>&1)" && fail "designer control including the main window passed"
[[ "$out" == *'engine/designer/DesignDocument.cpp:2:'* ]] || fail "wrong line: $out"

printf '#include "engine/Missing.h"\n' >"$tree"/engine/designer/DesignDocument.cpp
out="$("$check" "$tree" 2>&1)" && fail "an include of no file passed"
[[ "$out" == *'not in the tree'* ]] || fail "a missing file is not named: $out"
echo "PASS"
