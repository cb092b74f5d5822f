#!/usr/bin/python3
"""Checks that --help, the man page and the bash completion name the same
options, and the same waveforms and formats; and that the completion offers
a file name with spaces as one word.

Usage: options_doc_check.py TOOL MAN-PAGE-SOURCE COMPLETION-FILE
"""
import os
import re
import subprocess
import sys
import tempfile

OPTION = re.compile(r"(?<![\w-])(--[a-z][a-z-]*[a-z]|-[a-zA-Z])(?![\w-])")


def options(text):
    return set(OPTION.findall(text))


def completed_file_names(completion_path):
    """What completing "-o my" offers in a folder of "my file.wav" and "my.flac"."""
    with tempfile.TemporaryDirectory() as folder:
        for name in ("my file.wav", "my.flac"):
            open(os.path.join(folder, name), "w").close()
        script = ('source "$1"; COMP_WORDS=(tonbrook-render sine -o my); COMP_CWORD=3; '
                  '_tonbrook_render; printf "%s\\n" "${COMPREPLY[@]}"')
        out = subprocess.run(["bash", "-c", script, "bash", os.path.abspath(completion_path)], cwd=folder, check=True,
                             capture_output=True, text=True).stdout
    return sorted(out.splitlines())


def main():
    tool, man_path, completion_path = sys.argv[1:4]
    usage = subprocess.run([tool, "--help"], check=True, capture_output=True, text=True).stdout
    man = open(man_path).read()
    completion = open(completion_path).read()

    # The man page's option list: the bold terms that open an item.
    man_options = set()
    section = man.split("# OPTIONS", 1)[1].split("\n# ", 1)[0]
    for line in section.splitlines():
        if line.startswith("*-"):
            man_options |= options(line)
    # The completion's list of options: the word list that starts with one.
    completion_options = options(re.search(r"compgen -W '(-[^']*)'", completion).group(1))
    want = options(usage)
    failures = []
    for name, got in (("man page", man_options), ("completion", completion_options)):
        if got != want:
            failures.append("%s: missing %s, extra %s" % (name, sorted(want - got), sorted(got - want)))

    waveforms = "sine square triangle sawtooth white pink impulse sweep".split()
    formats = "wav rf64 flac aiff caf w64 raw".split()
    for word in waveforms + formats:
        for name, text in (("--help", usage), ("man page", man), ("completion", completion)):
            if not re.search(r"\b%s\b" % word, text):
                failures.append("%s does not name %s" % (name, word))
    names = completed_file_names(completion_path)
    if names != ["my file.wav", "my.flac"]:
        failures.append("completion of file names: %s" % names)
    for f in failures:
        print(f)
    print("options: %s" % " ".join(sorted(want)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
