#!/usr/bin/env bash
# A virtual loopback plug: a pseudo-terminal at the given path whose far end sends back
# every byte it receives. Runs until it is killed.
set -euo pipefail
exec socat pty,raw,echo=0,link="$1" PIPE
