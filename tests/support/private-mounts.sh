#!/bin/sh
# private-mounts.sh PROGRAM [ARGS...]
# Runs a test in a mount namespace of its own, where it may mount a small
# file system (a full disk) that nothing else on the machine sees. Root needs
# no user namespace for that, and keeps the rights to play an ordinary user;
# anyone else gets one (unshare -r). Where neither works, the test is started
# as it is and told why, so that it can skip with that reason.
if [ "$(id -u)" = 0 ]; then flags=-m; else flags=-rm; fi
if why=$(unshare $flags true 2>&1); then
    export ZOL_PRIVATE_MOUNTS=1
    exec unshare $flags "$@"
fi
export ZOL_PRIVATE_MOUNTS_UNAVAILABLE="unshare $flags: $why"
exec "$@"
