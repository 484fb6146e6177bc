# Shared set-up for run.sh and test.sh: installs what a fresh Debian 12 machine lacks, then
# configures and builds the Release build in build/. Sourced, not run.

TT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TT_BUILD="$TT_ROOT/build"

# Debian packages the build and the program need.
TT_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libgif-dev
  fonts-liberation fonts-urw-base35 fontconfig
  libgtest-dev libbenchmark-dev
  dpkg-dev
)

# What the test suite needs besides: a real X server driven by simulated clicks, clang for the
# sanitizer and fuzzing builds, Emscripten and a headless browser for the web edition.
TT_TEST_PACKAGES=(
  xvfb xdotool x11-utils
  clang libclang-rt-14-dev llvm
  openbox  # maximizes the real window as a desktop does; a bare X server leaves it at design size
  appstream  # checks the software-centre description of the package
  emscripten chromium
)

tt_log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

tt_missing_packages() {
  local p missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  printf '%s\n' "${missing[@]}"
}

# Installs the given packages if any is missing (apt-get, as root or through sudo).
tt_install_packages() {
  local missing
  mapfile -t missing < <(tt_missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] || [ -z "${missing[0]}" ] && return 0
  tt_log "Installation des paquets manquants : ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "Il manque des paquets (${missing[*]}) et ni root ni sudo ne sont disponibles." >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# tt_configure_and_build [TARGET...]: the Release build in build/, all of it or only the targets.
tt_configure_and_build() {
  if [ ! -f "$TT_BUILD/CMakeCache.txt" ]; then
    tt_log "Configuration (Release)"
    # Combined sources: a third less to compile from scratch (a developer's own build may leave
    # them separate, for quicker rebuilds of one file).
    cmake -S "$TT_ROOT" -B "$TT_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTT_WERROR=ON \
      -DCMAKE_UNITY_BUILD=ON >/dev/null
  fi
  tt_log "Compilation"
  local targets=()
  [ "$#" -eq 0 ] || targets=(--target "$@")
  cmake --build "$TT_BUILD" "${targets[@]}" -- -j"$(nproc)" | grep -v -E '^\[[0-9]+/[0-9]+\] ' || true
  test "${PIPESTATUS[0]}" -eq 0
}

# What run.sh needs: the packages of the program, and the program alone.
tt_setup() {
  tt_install_packages "${TT_PACKAGES[@]}"
  tt_configure_and_build table-tracante
}
