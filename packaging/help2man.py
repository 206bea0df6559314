#!/usr/bin/env python3
"""Writes a program's manual page from its own --help, so the page and the
program never disagree on the options; what --help does not say (files,
signals, environment, see also) comes from a hand-written roff part.

    help2man.py PROGRAM SECTION VERSION EXTRA.roff OUTPUT[.gz]

An OUTPUT ending in .gz is compressed as a package wants it: the same bytes
for the same page (no name, no time in the header).
"""
import gzip
import os
import re
import subprocess
import sys


def roff(text):
    """Plain text as roff: backslashes and hyphens escaped."""
    return text.replace("\\", "\\e").replace("-", "\\-")


def para(lines):
    out = " ".join(l.strip() for l in lines)
    out = roff(out)
    return "\\&" + out if out[:1] in ".'" else out


def main():
    program, section, version, extra, output = sys.argv[1:6]
    name = os.path.basename(program)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True, env=env).stdout
    lines = text.splitlines()
    if not lines or not lines[0].startswith("Usage:"):
        sys.exit(f"help2man: {program} --help does not begin with Usage:")
    usage = lines[0].split(None, 2)
    args = usage[2] if len(usage) > 2 else ""

    description, examples, options = [], [], []
    block = description
    for line in lines[1:]:
        if line == "Options:":
            block = options
            continue
        if line == "Examples:":
            block = examples
            continue
        if block is options:
            m = re.match(r"^  (-\S.*?)(?:\s{2,}(.*))?$", line)
            if m:
                options.append([m.group(1), [m.group(2) or ""]])
            elif line.strip() and options:
                options[-1][1].append(line)
        else:
            block.append(line)

    summary = description[0].strip().rstrip(".") if description else name
    out = [
        f'.TH {name.upper()} {section} "" "{name} {version}" "userobj"',
        ".SH NAME",
        f"{roff(name)} \\- {roff(summary)}",
        ".SH SYNOPSIS",
        f".B {roff(name)}",
        roff(args).replace("[options]", "[\\fIoptions\\fR]"),
        ".SH DESCRIPTION",
    ]
    paragraph = []
    for line in description + [""]:
        if line.strip():
            paragraph.append(line)
        elif paragraph:
            out += [para(paragraph), ".PP"]
            paragraph = []
    if out[-1] == ".PP":
        out.pop()
    out.append(".SH OPTIONS")
    for synopsis, desc in options:
        synopsis = re.sub(r"(-[-\w]+)", lambda m: "\\fB" + roff(m.group(1)) + "\\fR", synopsis)
        synopsis = re.sub(r"<([^>]+)>", r"\\fI\1\\fR", synopsis)
        out += [".TP", synopsis, para(desc)]
    if examples:
        out += [".SH EXAMPLES", ".nf"]
        out += [roff(l.strip()) for l in examples if l.strip()]
        out.append(".fi")
    with open(extra, encoding="utf-8") as f:
        out.append(f.read().rstrip("\n"))
    page = ("\n".join(out) + "\n").encode("utf-8")
    if output.endswith(".gz"):
        with open(output, "wb") as f, gzip.GzipFile(filename="", mode="wb", fileobj=f, compresslevel=9, mtime=0) as z:
            z.write(page)
    else:
        with open(output, "wb") as f:
            f.write(page)


if __name__ == "__main__":
    main()
