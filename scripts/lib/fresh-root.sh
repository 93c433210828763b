# Sourced by the scripts that try the program on a fresh Debian 12 machine: makes (or
# reuses, with QV_CHECK_ROOT) a root by debootstrap, mounts what programs in it need and
# undoes that at exit. Sets $root. Needs root.
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
root=${QV_CHECK_ROOT:-$(mktemp -d -t qv475-root.XXXXXX)}
mirror=$(sed -nE 's/^URIs: *(http[^ ]*).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
[ -n "$mirror" ] || mirror=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
qv_root_cleanup() {
  for m in proc dev/pts dev sys; do umount -l "$root/$m" 2>/dev/null || true; done
  [ -n "${QV_CHECK_ROOT:-}" ] || rm -rf "$root"
}
trap qv_root_cleanup EXIT
if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "debootstrap bookworm (minbase) into $root from $mirror ..."
  debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t sysfs sys "$root/sys"
