#!/usr/bin/env bash
# Builds, tests and packages Vantle inside a Debian 13 system made with mmdebstrap, so a Debian 12
# machine proves the newer release too. Run as root.
#   tools/debian13.sh prepare   makes the system (or takes the one kept from an earlier run), copies
#                               this tree into it and installs what tools/deps.sh asks for there
#   tools/debian13.sh test      runs the README's test command and the package check inside it,
#                               without network: the tests need only 127.0.0.1
#   tools/debian13.sh run [COMMAND...]
#                               a command inside it, in the tree's copy, offline (default: a shell)
# The system is kept in VANTLE_DEBIAN13 (default /var/cache/vantle/debian13) for the next run;
# remove that folder to start again from nothing. The checked package is copied to
# build-test/ beside this release's.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly root=${VANTLE_DEBIAN13:-/var/cache/vantle/debian13}
readonly mirror=${VANTLE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
readonly security_mirror=${VANTLE_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
readonly tree=/root/vantle
readonly ready=$root/.vantle-system-ready

fail() {
    echo "debian13: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "run as root: making the system and entering it need root"

# Runs a command inside the system, in mount and process namespaces of its own, so nothing it
# mounts or starts outlives it. The root is bound onto itself because bubblewrap, the web
# engine's sandbox, needs it to be a mount point. With --offline it has only a loopback network.
inside() {
    local -a namespaces=(--mount --pid --fork --propagation private)
    local offline=false
    if [[ $1 == --offline ]]; then
        namespaces+=(--net)
        offline=true
        shift
    else
        cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    fi
    # shellcheck disable=SC2016
    unshare "${namespaces[@]}" bash -c '
        set -e
        root=$1 offline=$2
        shift 2
        if $offline; then ip link set lo up; fi
        mount --bind "$root" "$root"
        mount -t proc proc "$root/proc"
        mount --rbind /sys "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
        mount -t tmpfs -o mode=755 tmpfs "$root/run"
        exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            CI="${CI:-}" VANTLE_FUZZ_RUNS="${VANTLE_FUZZ_RUNS:-}" "$@"
    ' inside "$root" "$offline" "$@"
}

make_system() {
    command -v mmdebstrap >/dev/null || {
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends mmdebstrap ||
            { apt-get update -q && DEBIAN_FRONTEND=noninteractive \
                apt-get install -y -q --no-install-recommends mmdebstrap; }
    }
    rm -rf "$root"
    mkdir -p "$(dirname "$root")"
    echo "debian13: making a Debian 13 system in $root"
    # The smallest system that has apt; no documentation and no recommended packages.
    mmdebstrap --quiet --variant=apt \
        --aptopt='APT::Install-Recommends "false"' \
        --dpkgopt='path-exclude=/usr/share/doc/*' \
        --dpkgopt='path-include=/usr/share/doc/*/copyright' \
        --dpkgopt='path-exclude=/usr/share/man/*' \
        --dpkgopt='path-exclude=/usr/share/info/*' \
        trixie "$root" \
        "deb $mirror trixie main" \
        "deb $mirror trixie-updates main" \
        "deb $security_mirror trixie-security main"
}

copy_tree() {
    mkdir -p "$root$tree"
    # A kept build folder is reused; everything else is this tree's, as it is now.
    find "$root$tree" -mindepth 1 -maxdepth 1 ! -name 'build*' -exec rm -rf {} +
    git ls-files -z --cached --others --exclude-standard |
        tar --null --files-from=- -cf - | tar -C "$root$tree" -xf -
}

case ${1:-} in
    prepare)
        [[ -f $ready ]] || make_system
        copy_tree
        inside bash -c "cd $tree && tools/deps.sh"
        touch "$ready"
        ;;
    test)
        [[ -f $ready ]] || fail "no system yet: run tools/debian13.sh prepare first"
        copy_tree
        inside --offline bash -c "cd $tree && tools/test.sh && tools/check_package.sh build-test"
        mkdir -p build-test
        cp "$root$tree"/build-test/vantle_*+deb13_*.deb build-test/
        ;;
    run)
        [[ -f $ready ]] || fail "no system yet: run tools/debian13.sh prepare first"
        shift
        copy_tree
        [[ $# -gt 0 ]] || set -- bash -i
        inside --offline bash -c 'cd "$0" && exec "$@"' "$tree" "$@"
        ;;
    *)
        echo "usage: tools/debian13.sh prepare | test | run [COMMAND...]" >&2
        exit 2
        ;;
esac
