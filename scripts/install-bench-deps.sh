#!/usr/bin/env bash
# Installs what the benchmarks need beyond the project's own packages: LibreOffice, which
# writes the benchmark workbooks as an office suite saves them, and HarfBuzz's subsetter,
# which the font pruner is measured against. Idempotent.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" libreoffice-calc-nogui libharfbuzz-dev
