#!/usr/bin/env python3
"""The release's packaging steps that must give the same bytes on every run: the user's
guide and the licence as Windows text files, the zip, and the installer's file list."""
import os
import re
import sys
import time
import zipfile


def windows_text(lines, source):
    """Joins lines with CR LF, as Notepad on every Windows version shows them; only ASCII,
    since a plain text file carries no code page and the user's may be any."""
    for number, line in enumerate(lines, 1):
        if any(ord(c) > 126 or (ord(c) < 32 and c != "\t") for c in line):
            sys.exit(f"{source}:{number}: only ASCII text reads the same in every code page: {line!r}")
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def plain_inline(text):
    """Drops the Markdown marks from one line; code spans are kept as they stand."""
    parts = re.split(r"(`[^`]*`)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) >= 2:
            out.append(part[1:-1])
            continue
        part = re.sub(r"\[([^\]]+)\]\((https?://[^)]+)\)", r"\1 (\2)", part)
        part = re.sub(r"\[([^\]]+)\]\([^)]+\)", r"\1", part)
        part = re.sub(r"\*\*([^*]+)\*\*", r"\1", part)
        part = re.sub(r"(?<![\w*])\*([^*\s][^*]*?)\*(?![\w*])", r"\1", part)
        out.append(part)
    return "".join(out)


def guide_as_text(source):
    """The guide's Markdown as plain text: headings underlined, code blocks indented."""
    with open(source, encoding="utf-8") as f:
        lines = f.read().splitlines()
    out, in_code = [], False
    for number, line in enumerate(lines, 1):
        if line.startswith("```"):
            in_code = not in_code
            continue
        if in_code:
            out.append("    " + line if line else "")
        elif line.startswith("|"):
            sys.exit(f"{source}:{number}: a table does not read as plain text; write it as a list")
        elif m := re.match(r"(#{1,3}) (.*)", line):
            title = plain_inline(m.group(2))
            out += [title, "=-~"[len(m.group(1)) - 1] * len(title)]
        else:
            out.append(plain_inline(line))
    if in_code:
        sys.exit(f"{source}: a code block is not closed")
    return windows_text(out, source)


def file_as_text(source):
    with open(source, encoding="utf-8") as f:
        return windows_text(f.read().splitlines(), source)


def staged_files(stage):
    """Every file under the stage, as sorted paths with '/': the one order of the zip and
    the installer."""
    found = []
    for folder, _, names in os.walk(stage):
        for name in names:
            found.append(os.path.relpath(os.path.join(folder, name), stage).replace(os.sep, "/"))
    return sorted(found)


def write_atomically(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def make_zip(stage, out, epoch):
    # Zip times are local times without a zone; the commit's time in UTC is the same on
    # every machine. They start in 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    temporary = out + ".part"
    with zipfile.ZipFile(temporary, "w") as z:
        for name in staged_files(stage):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0          # MS-DOS attributes, as Windows writes them
            info.external_attr = 0x20       # FILE_ATTRIBUTE_ARCHIVE
            with open(os.path.join(stage, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(temporary, out)


def nsis_list(stage, out):
    """The installer's payload as two NSIS macros: the files it installs and exactly those
    it deletes again, so the uninstaller never touches a file it did not put there."""
    names = staged_files(stage)
    for name in names:
        if '"' in name or "$" in name:
            sys.exit(f"{name}: a name NSIS would read as a variable or a quote")
    folders = sorted({os.path.dirname(n) for n in names})
    install = ["!macro InstallPayload"]
    for folder in folders:
        install.append('  SetOutPath "$INSTDIR' + ("\\" + folder.replace("/", "\\") if folder else "") + '"')
        for name in names:
            if os.path.dirname(name) == folder:
                install.append('  File "' + os.path.abspath(os.path.join(stage, name)) + '"')
    install.append("!macroend")
    uninstall = ["!macro UninstallPayload"]
    uninstall += ['  Delete "$INSTDIR\\' + n.replace("/", "\\") + '"' for n in names]
    # Deepest folders first; RMDir without /r removes a folder only when it is empty.
    uninstall += ['  RMDir "$INSTDIR\\' + f.replace("/", "\\") + '"'
                  for f in sorted(folders, key=lambda f: -f.count("/")) if f]
    uninstall.append("!macroend")
    write_atomically(out, ("\n".join(install + uninstall) + "\n").encode("utf-8"))


def main(argv):
    usage = ("usage: package.py guide GUIDE.md OUT.txt | text FILE OUT.txt | "
             "zip STAGE OUT.zip EPOCH | nsis-list STAGE OUT.nsh")
    if len(argv) < 3:
        sys.exit(usage)
    command, args = argv[1], argv[2:]
    if command == "guide" and len(args) == 2:
        write_atomically(args[1], guide_as_text(args[0]))
    elif command == "text" and len(args) == 2:
        write_atomically(args[1], file_as_text(args[0]))
    elif command == "zip" and len(args) == 3:
        make_zip(args[0], args[1], int(args[2]))
    elif command == "nsis-list" and len(args) == 2:
        nsis_list(args[0], args[1])
    else:
        sys.exit(usage)


if __name__ == "__main__":
    main(sys.argv)
