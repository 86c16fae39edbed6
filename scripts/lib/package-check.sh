#!/usr/bin/env bash
# The Debian package as an integrator meets it. Makes the .deb from a release build folder
# (default build/release, the build the tests run on), checks its control data and files
# with dpkg-deb, lintian, appstreamcli, desktop-file-validate and man, installs it with
# apt-get, lets the installed program serve the installed demo catalogue to the installed
# terminal-sim (offscreen, Brazilian locale), checks the service's unit with systemd-analyze
# and lets the installed service serve a scan as the unit's user with the unit's settings,
# and purges it again, checking that nothing of it is left. Needs root (or sudo) for
# apt-get; ends non-zero at the first failure.
#
#   scripts/lib/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/lib/packages.sh
veska_install_packages "${VESKA_BUILD_PACKAGES[@]}" "${VESKA_TEST_PACKAGES[@]}"
veska_prepare_locales

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }
fail() {
    echo "package check: $*" >&2
    exit 1
}

deb=$(scripts/package "${1:-build/release}" | tail -n 1)
[ -f "$deb" ] || fail "scripts/package printed no .deb"
echo "Package: $deb"

work=$(mktemp -d)
app_pid=
service_pid=
service_shop=
installed_here=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid"
    [ -n "$service_shop" ] && find "$service_shop" -mindepth 1 -delete
    [ -n "$installed_here" ] && apt purge consulta-veska >/dev/null 2>&1
    rm -rf "$work"
    return 0
}
trap cleanup EXIT

# Control data: name, the project's version, the machine's architecture, dependencies
# from the binaries and the run-time ones, and no build-only package.
field() { dpkg-deb --field "$deb" "$1"; }
version=$(sed -n 's/^project(consulta_veska VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
[ "$(field Package)" = consulta-veska ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture is '$(field Architecture)'"
depends=", $(field Depends),"
for needed in libqt6widgets6 libqt6gui6 libfbclient2 libsystemd0 firebird3.0-server-core fonts-wine \
    adduser; do
    [[ $depends == *", $needed "* || $depends == *", $needed,"* ]] ||
        fail "Depends lacks $needed: $depends"
done
if grep -qE '(^|, )([a-z0-9.+-]+-dev|cmake|g\+\+|gcc|scdoc|ninja-build)( |,|$)' <<<"$depends"; then
    fail "Depends holds a build-only package: $depends"
fi

# Files: where Debian expects them, and no header, unversioned link or RPATH.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's#^\./#/#' >"$work/files"
for file in /usr/bin/consulta_veska /usr/bin/consulta-veska-service /usr/bin/terminal-sim \
    /usr/bin/veska-demo-catalogue /usr/bin/veska-passwd \
    /usr/lib/systemd/system/consulta-veska.service \
    "/usr/lib/$multiarch/libtermserver.so.1" \
    /usr/share/applications/consulta_veska.desktop \
    /usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/consulta_veska.png \
    /usr/share/metainfo/br.com.veska.consulta_veska.metainfo.xml \
    /usr/share/man/man1/{consulta_veska,consulta-veska-service,veska-passwd,terminal-sim}.1.gz \
    /usr/share/man/man1/veska-demo-catalogue.1.gz \
    /usr/share/man/man5/{termserver.conf,veska-aliases.conf,balanca.conf}.5.gz \
    /usr/share/doc/consulta-veska/{copyright,changelog.gz,install.md} \
    /usr/share/doc/consulta-veska/examples/consulta_veska-autostart.desktop; do
    grep -qxF "$file" "$work/files" || fail "the package lacks $file"
done
if grep -E '^/usr/include/|/libtermserver\.so$|^/usr/local/|^/(bin|lib|opt|home)/' "$work/files"; then
    fail "files that do not belong in the package (above)"
fi
dpkg-deb -x "$deb" "$work/tree"
for elf in "$work"/tree/usr/bin/* "$work/tree/usr/lib/$multiarch/libtermserver.so.1"; do
    if readelf -d "$elf" | grep -E 'RPATH|RUNPATH'; then fail "$elf has a library search path"; fi
done
# The service links Qt Core only: it runs where no display and no desktop are.
if readelf -d "$work/tree/usr/bin/consulta-veska-service" | grep -E 'NEEDED.*libQt6(Gui|Widgets|DBus)'; then
    fail "consulta-veska-service needs more of Qt than Qt Core (above)"
fi

# Metadata, checked with the tools that read it.
# Clean means no remark at all, not only an exit code of 0 (both tools pass a warning).
remarks=$(LC_ALL=C.UTF-8 appstreamcli validate --no-net --pedantic \
    "$work"/tree/usr/share/metainfo/*.xml 2>&1) || fail "appstreamcli: $remarks"
! grep -qE '^[EWIP]: ' <<<"$remarks" || fail "appstreamcli: $remarks"
newest_release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
    "$work"/tree/usr/share/metainfo/*.xml | head -n 1)
[ "$newest_release" = "$version" ] ||
    fail "the newest AppStream release is $newest_release, the project's version $version"
changelog_version=$(zcat "$work/tree/usr/share/doc/consulta-veska/changelog.gz" |
    sed -n '1s/^consulta-veska (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
    fail "the changelog's newest entry is $changelog_version, the project's version $version"
remarks=$(desktop-file-validate "$work/tree/usr/share/applications/consulta_veska.desktop" \
    "$work/tree/usr/share/doc/consulta-veska/examples/consulta_veska-autostart.desktop" 2>&1) &&
    [ -z "$remarks" ] || fail "desktop-file-validate: $remarks"
for page in "$work"/tree/usr/share/man/man*/*; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man --warnings on ${page##*/}: $warnings"
done
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings (above)"
echo "Control data, files, metadata and man pages: good"

# Installed by the package manager, as a shop's machine gets it.
if dpkg-query -W -f='${Status}' consulta-veska 2>/dev/null | grep -q 'ok installed'; then
    fail "consulta-veska is installed already; remove it first"
fi
installed_here=1
apt install --no-install-recommends "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "apt-get install failed"; }
ldconfig -p | grep -q "libtermserver.so.1 .*=> .*/$multiarch/libtermserver.so.1" ||
    fail "ldconfig does not know libtermserver.so.1"

# The installed program serves the installed demo catalogue: a scan from the installed
# terminal-sim is answered with the article and its price. Any free loopback port will do.
shop=$work/loja
/usr/bin/veska-demo-catalogue --dir "$shop" >/dev/null
port=
for candidate in $(seq 39123 39223); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
        port=$candidate
        break
    fi
done
[ -n "$port" ] || fail "no free port on 127.0.0.1"
printf 'listen=127.0.0.1:%s\n' "$port" >"$shop/termserver.conf"
# Waits for the installed program ($1: its pid, $2: its log, $3: what it is) to serve.
wait_until_serving() {
    local deadline=$((SECONDS + 60))
    until grep -q 'Servidor inicializado com sucesso' "$2"; do
        kill -0 "$1" 2>/dev/null || { cat "$2"; fail "the $3 ended"; }
        [ $SECONDS -lt $deadline ] || { cat "$2"; fail "the $3 did not start"; }
        sleep 0.1
    done
}
# A terminal scans a code of the demo catalogue at $port ($1: the server's log, $2: what it is).
scan_demo_code() {
    local answer
    answer=$(LC_ALL=pt_BR.UTF-8 /usr/bin/terminal-sim --server "127.0.0.1:$port" --timeout 30 \
        scan 7891000000038) || { cat "$1"; fail "terminal-sim got no answer from the $2"; }
    [ "$answer" = $'7891000000038\tAÇÚCAR CRISTAL 5KG\tR$ 18,88' ] ||
        fail "the $2's answer was '$answer'"
    echo "Scan answered by the installed $2: $answer"
}
# SIGTERM ends the program ($1: its pid, $2: what it is) with exit code 0.
end_by_sigterm() {
    local status=0
    kill -TERM "$1"
    wait "$1" || status=$?
    [ "$status" -eq 0 ] || fail "the $2 ended with $status on SIGTERM"
}

(cd "$shop" && exec env -u VESKA_TERMSERVER_LIBRARY -u TERMSERVER_LISTEN LC_ALL=pt_BR.UTF-8 \
    QT_QPA_PLATFORM=offscreen VESKA_LOG_STDOUT=1 /usr/bin/consulta_veska 0 >"$work/app.log" 2>&1) &
app_pid=$!
wait_until_serving "$app_pid" "$work/app.log" program
grep -q "/usr/lib/$multiarch/libtermserver.so.1" "/proc/$app_pid/maps" ||
    fail "the program did not load the installed library"
scan_demo_code "$work/app.log" program
end_by_sigterm "$app_pid" program
app_pid=

# The service: its unit is clean to systemd, not enabled, and its user and working folder
# exist. This machine may run no systemd, so the service is run as the unit runs it: as
# its user, in its working folder, with its environment (the sandboxing options are
# systemd's own and are not reproduced here).
unit=/usr/lib/systemd/system/consulta-veska.service
remarks=$(systemd-analyze verify "$unit" 2>&1) && [ -z "$remarks" ] ||
    fail "systemd-analyze verify: $remarks"
if find /etc/systemd/system -name consulta-veska.service 2>/dev/null | grep .; then
    fail "the package enabled the service (above)"
fi
unit_value() { sed -n "s/^$1=//p" "$unit"; }
service_user=$(unit_value User)
service_dir=$(unit_value WorkingDirectory)
[ "$(stat -c %U "$service_dir")" = "$service_user" ] ||
    fail "$service_dir is not owned by the unit's user $service_user"
# Becomes the command (exec): call it in a subshell or in the background.
as_service_user() {
    cd "$service_dir" && exec setpriv --reuid="$service_user" --regid="$(unit_value Group)" \
        --init-groups --no-new-privs env -i PATH=/usr/sbin:/usr/bin HOME="$service_dir" \
        USER="$service_user" LOGNAME="$service_user" $(unit_value Environment) "$@"
}
service_shop=$service_dir
(as_service_user /usr/bin/veska-demo-catalogue --dir "$service_dir" >/dev/null)
(as_service_user sh -c "printf 'listen=127.0.0.1:%s\\n' $port >termserver.conf")
: >"$work/service.log"
as_service_user $(unit_value ExecStart) >"$work/service.log" 2>&1 &
service_pid=$!
wait_until_serving "$service_pid" "$work/service.log" service
scan_demo_code "$work/service.log" "service as $service_user"
end_by_sigterm "$service_pid" service
service_pid=
# The demo shop goes; the empty working folder goes with the purge.
find "$service_dir" -mindepth 1 -delete
service_shop=
rm -rf "/tmp/consulta_veska-firebird-$(id -u "$service_user")"

# Purged, nothing of it is left: no package record, no file, no folder that no other
# package owns, no library in the loader's cache.
installed_here=
apt purge consulta-veska >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge failed"; }
if dpkg-query -W consulta-veska >/dev/null 2>&1; then fail "dpkg still knows consulta-veska"; fi
while read -r path; do
    [ "$path" = / ] && continue
    path=${path%/}
    if [ -L "$path" ] || [ -f "$path" ]; then
        fail "left after purge: $path"
    elif [ -d "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
        fail "folder left after purge: $path"
    fi
done <"$work/files"
if ldconfig -p | grep -q libtermserver; then fail "libtermserver.so.1 is still in the loader's cache"; fi
[ ! -e "$service_dir" ] || fail "left after purge: $service_dir"
echo "Installed, served a scan, purged without a trace: good"
