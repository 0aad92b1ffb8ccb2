#!/usr/bin/env bash
# Installs what the benchmarks need beyond the project's own packages: LibreOffice, which
# writes the benchmark workbooks as an office suite saves them. Idempotent.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" libreoffice-calc-nogui
