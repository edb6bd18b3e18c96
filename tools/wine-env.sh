#!/usr/bin/env bash
# Sourced by the tests and the main job: a Wine prefix that draws text, made once and copied.
#   source tools/wine-env.sh
#   wine_prefix_new DIR      # a fresh prefix in DIR (a copy of the template; about 2 s)
#   wine_run EXE ARGS...     # runs a win64 program in $WINEPREFIX
#   wine_stop                # ends this prefix's wineserver
# The template lives in build/wine-template and is made on first use (about 20 s).

tolvin_root=${tolvin_root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
wine_template=${WINE_TEMPLATE:-$tolvin_root/build/wine-template}
wine64_bin=/usr/lib/wine/wine64

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}  # no Mono or Gecko prompts
# Loopback only: Wine's WinINet honours http_proxy, and the tests' servers are on 127.0.0.1.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost

wine_template_make() {
  [[ -f $wine_template/.ready ]] && return 0
  local tmp=$wine_template.tmp.$$
  rm -rf "$tmp"
  mkdir -p "$tmp"
  local reg=$tmp/fonts.reg
  # Without these, "Arial" draws nothing: a fresh prefix knows only the host's font names.
  # Managed=N: without a window manager, hiding a top-level window otherwise takes seconds.
  cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Tahoma (TrueType)"="Z:\\usr\\share\\wine\\fonts\\tahoma.ttf"
"Tahoma Bold (TrueType)"="Z:\\usr\\share\\wine\\fonts\\tahomabd.ttf"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
  (
    export WINEPREFIX=$tmp/prefix
    "$wine64_bin" wineboot -i >/dev/null 2>&1
    "$wine64_bin" regedit /S "$reg" >/dev/null 2>&1 || "$wine64_bin" reg import "$reg" >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
  )
  mkdir -p "$(dirname "$wine_template")"
  rm -rf "$wine_template"
  mv "$tmp" "$wine_template"
  touch "$wine_template/.ready"
}

wine_prefix_new() {
  local dir=$1
  wine_template_make
  rm -rf "$dir"
  cp -a "$wine_template/prefix" "$dir"
  export WINEPREFIX=$dir
}

wine_run() { "$wine64_bin" "$@"; }

wine_stop() { [[ -n ${WINEPREFIX:-} ]] && /usr/lib/wine/wineserver -k 2>/dev/null || true; }
