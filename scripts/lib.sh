# Shared by the scripts (sourced, not run): package installs and progress headings.

# Prints a heading for the next stage of a long script.
step() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages named that are not installed yet (through sudo when not root).
need_packages() {
    local missing=() p sudo=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
