#!/bin/sh
# Installs the Debian packages Ricorne needs. Idempotent: does nothing when all are present.
#   scripts/deps.sh          build and run
#   scripts/deps.sh --test   build, run and the whole test suite (mail servers, Xvfb, benchmarks)
#   scripts/deps.sh --fuzz   build, run and the libFuzzer targets (scripts/fuzz.sh); not needed by CI
#   scripts/deps.sh --coverage  the test packages and gcovr (scripts/coverage.sh); not needed by CI
set -e
BUILD="cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgmime-3.0-dev libgif-dev libzstd-dev
 fonts-ipafont-gothic fonts-urw-base35 fonts-texgyre ca-certificates"
RUN="xvfb xauth x11-utils imagemagick xdg-utils"
TEST="libgtest-dev libgmock-dev dovecot-core dovecot-pop3d dovecot-submissiond opensmtpd python3
 python3-aiosmtpd openssl curl xdotool mpop hyperfine time iproute2 procps libpython3.11-testsuite
 poppler-utils s-nail"
FUZZ="clang-14 libclang-rt-14-dev"
COVERAGE="gcovr"
PKGS="$BUILD $RUN"
[ "${1:-}" = "--test" ] && PKGS="$PKGS $TEST"
[ "${1:-}" = "--fuzz" ] && PKGS="$PKGS $FUZZ"
[ "${1:-}" = "--coverage" ] && PKGS="$PKGS $TEST $COVERAGE"

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# Package scripts try to start system services (dovecot, opensmtpd); keep them from doing so.
made_policy=""
if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
    $SUDO chmod 755 /usr/sbin/policy-rc.d
    made_policy=1
fi
trap 'if [ -n "$made_policy" ]; then $SUDO rm -f /usr/sbin/policy-rc.d; fi' EXIT
echo "installing:$missing"
$SUDO apt-get -q update
$SUDO apt-get -q -o DPkg::Lock::Timeout=600 install -y --no-install-recommends $missing
