#!/usr/bin/env python3
"""The Debian package: built with CPack, its files, and the validators.

Usage: check_package.py CPACK BUILD-DIR VERSION OUT-DIR
Builds tonbrook_VERSION_amd64.deb from the build folder into OUT-DIR and
checks its control fields (version, dependencies from dpkg-shlibdeps and the
fonts), that it holds exactly the files a user gets, stripped programs that
run, built with Debian's hardening as hardening-check sees it, icons of the
sizes their folders name, a machine-readable copyright file and a changelog;
then runs desktop-file-validate, appstreamcli (validate-tree --no-net), the
manual pages through man with warnings on, bash -n on the completion, and
lintian, which must report no error.
"""
import gzip
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

APP = "io.github.tonbrook.Tonbrook"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
FILES = {
    "usr/bin/tonbrook",
    "usr/bin/tonbrook-render",
    "usr/share/applications/%s.desktop" % APP,
    "usr/share/metainfo/%s.metainfo.xml" % APP,
    "usr/share/icons/hicolor/scalable/apps/tonbrook.svg",
    "usr/share/man/man1/tonbrook.1.gz",
    "usr/share/man/man1/tonbrook-render.1.gz",
    "usr/share/bash-completion/completions/tonbrook-render",
    "usr/share/doc/tonbrook/copyright",
    "usr/share/doc/tonbrook/changelog.gz",
} | {"usr/share/icons/hicolor/%dx%d/apps/tonbrook.png" % (s, s) for s in ICON_SIZES}

# What hardening-check must find in both programs. Control-flow protection
# cannot show on Debian 12, whose start files carry no CET notes.
HARDENING = ("Position Independent Executable", "Stack protected", "Fortify Source functions",
             "Read-only relocations", "Immediate binding")

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL: " + message)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def build(cpack, build_dir, version, out):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    made = run([cpack, "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out])
    deb = os.path.join(out, "tonbrook_%s_amd64.deb" % version)
    if made.returncode != 0 or not os.path.exists(deb):
        print(made.stdout + made.stderr)
        print("FAIL: cpack did not make " + deb)
        sys.exit(1)
    return deb


def control(deb, version):
    fields = run(["dpkg-deb", "-f", deb, "Package", "Version", "Architecture", "Depends"], check=True).stdout
    values = dict(line.split(": ", 1) for line in fields.splitlines())
    check(values.get("Package") == "tonbrook" and values.get("Version") == version
          and values.get("Architecture") == "amd64", "control fields %r" % values)
    depends = [d.strip().split()[0] for d in values.get("Depends", "").split(",")]
    for need in ("fonts-dejavu-core", "libsdl2-2.0-0", "libfreetype6", "libc6"):
        check(need in depends, "Depends lacks %s: %r" % (need, depends))


def contents(deb, root):
    listing = run(["dpkg-deb", "-c", deb], check=True).stdout.splitlines()
    files = {line.split()[-1][2:] for line in listing if line.startswith("-")}
    check(files == FILES, "files: missing %s, unexpected %s" % (sorted(FILES - files), sorted(files - FILES)))
    owners = {line.split()[1] for line in listing}
    check(owners == {"root/root"}, "owners %s" % owners)
    run(["dpkg-deb", "-x", deb, root], check=True)


def programs(root, out, version):
    for name in ("tonbrook", "tonbrook-render"):
        path = os.path.join(root, "usr/bin", name)
        kind = run(["file", "-b", path]).stdout
        check(", stripped" in kind and "debug_info" not in kind, "%s is not stripped: %s" % (name, kind))
        found = dict(line.strip().split(": ", 1) for line in run(["hardening-check", path]).stdout.splitlines()[1:])
        weak = [k for k in HARDENING if not found.get(k, "").startswith("yes")]
        check(not weak, "%s lacks %s: %r" % (name, ", ".join(weak), found))
    wav = os.path.join(out, "sine.wav")
    render = run([os.path.join(root, "usr/bin/tonbrook-render"), "sine", "1000", "-q", "-o", wav])
    with open(wav, "rb") as f:
        head = f.read(12)
    check(render.returncode == 0 and head[:4] == b"RIFF" and head[8:] == b"WAVE",
          "the packaged tonbrook-render wrote no WAV file: %s" % render.stderr)
    told = run([os.path.join(root, "usr/bin/tonbrook-render"), "--version"]).stdout.strip()
    check(told == "tonbrook-render " + version, "tonbrook-render --version says %r" % told)


def icons(root):
    for size in ICON_SIZES:
        with open(os.path.join(root, "usr/share/icons/hicolor/%dx%d/apps/tonbrook.png" % (size, size)), "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", head[16:24]) == (size, size),
              "the %d pixel icon is not a %dx%d PNG" % (size, size, size))
    svg = ET.parse(os.path.join(root, "usr/share/icons/hicolor/scalable/apps/tonbrook.svg")).getroot()
    check(svg.tag == "{http://www.w3.org/2000/svg}svg", "the scalable icon is no SVG")


def documents(root, version):
    doc = os.path.join(root, "usr/share/doc/tonbrook")
    with open(os.path.join(doc, "copyright")) as f:
        copyright = f.read()
    check(copyright.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")
          and "License: Expat" in copyright, "copyright is not machine-readable")
    with gzip.open(os.path.join(doc, "changelog.gz"), "rt") as f:
        first = f.readline()
    check(first.startswith("tonbrook (%s)" % version), "changelog starts %r" % first)
    meta = ET.parse(os.path.join(root, "usr/share/metainfo/%s.metainfo.xml" % APP)).getroot()
    releases = [r.get("version") for r in meta.iter("release")]
    check(releases[:1] == [version], "metainfo releases %r" % releases)
    check(meta.findtext("project_license") == "MIT", "metainfo licence")
    shots = [i.text for i in meta.iter("image")]
    check(len(shots) == 3 and all(s.startswith("https://") for s in shots), "screenshots %r" % shots)
    with open(os.path.join(root, "usr/share/applications/%s.desktop" % APP)) as f:
        desktop = f.read()
    check("\nCategories=AudioVideo;Audio;\n" in desktop and "\nExec=tonbrook\n" in desktop, "desktop entry")


def validators(root, deb):
    desktop = run(["desktop-file-validate", os.path.join(root, "usr/share/applications/%s.desktop" % APP)])
    check(desktop.returncode == 0 and not desktop.stdout.strip(), "desktop-file-validate: " + desktop.stdout)
    appstream = run(["appstreamcli", "validate-tree", "--no-net", root])
    check(appstream.returncode == 0, "appstreamcli: " + appstream.stdout + appstream.stderr)
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    for page in ("tonbrook.1.gz", "tonbrook-render.1.gz"):
        man = run(["man", "--warnings", "-E", "UTF-8", "-l", os.path.join(root, "usr/share/man/man1", page)],
                  env=env)
        check(man.returncode == 0 and "NAME" in man.stdout and not man.stderr.strip(),
              "man %s: %s" % (page, man.stderr))
    completion = run(["bash", "-n", os.path.join(root, "usr/share/bash-completion/completions/tonbrook-render")])
    check(completion.returncode == 0, "completion: " + completion.stderr)
    lint = run(["lintian", "--fail-on", "error", deb])
    print(lint.stdout, end="")
    check(lint.returncode == 0, "lintian reports errors")


def main():
    cpack, build_dir, version, out = sys.argv[1:5]
    deb = build(cpack, build_dir, version, out)
    root = os.path.join(out, "root")
    control(deb, version)
    contents(deb, root)
    programs(root, out, version)
    icons(root)
    documents(root, version)
    validators(root, deb)
    if failures:
        sys.exit(1)
    print("ok: %s holds the %d files, passes desktop-file-validate, appstreamcli and lintian"
          % (os.path.basename(deb), len(FILES)))


if __name__ == "__main__":
    main()
