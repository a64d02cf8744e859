#!/bin/sh
# Runs the browser test files given as arguments with node's test runner.
# Exits 77, which CTest counts as skipped, when node, chromium or the npm
# packages are missing (.ci/run installs them; `npm ci` here brings the last).
cd "$(dirname "$0")" || exit 1
command -v node >/dev/null 2>&1 || { echo "node is missing: apt-get install nodejs"; exit 77; }
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || { echo "chromium is missing: apt-get install chromium"; exit 77; }
[ -d node_modules/puppeteer-core ] || { echo "puppeteer-core is missing: npm ci in tests/navigateur"; exit 77; }
exec node --test "$@"
