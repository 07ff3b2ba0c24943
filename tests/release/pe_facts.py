#!/usr/bin/env python3
"""What the release test reads from Windows files without running them: a PE file's version
resource, and the target a shell link points at."""
import struct
import sys


def fail(message):
    sys.exit(f"pe_facts: {message}")


def resource_entries(data, base, offset):
    """The (id or None, target) pairs of one resource directory; a target with the high bit
    set is a subdirectory."""
    named, ids = struct.unpack_from("<HH", data, base + offset + 12)
    entries = []
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
        entries.append((None if name & 0x80000000 else name, target))
    return entries


def version_block(data):
    """The bytes of the first RT_VERSION resource."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]

    def file_offset(rva):
        table = optional + optional_size
        for i in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        fail(f"address {rva:#x} lies in no section")

    base = file_offset(resource_rva)
    level = [t for n, t in resource_entries(data, base, 0) if n == 16]
    if not level:
        fail("no version resource")
    target = level[0]
    while target & 0x80000000:          # name, then language
        target = resource_entries(data, base, target & 0x7FFFFFFF)[0][1]
    rva, size = struct.unpack_from("<II", data, base + target)
    start = file_offset(rva)
    return data[start:start + size]


def walk(block, offset, end, path, out):
    """VS_VERSIONINFO's tree: each node is length, value length, type, key, value, children."""
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", block, offset)
        if length == 0:
            break
        key_end = block.index(b"\0\0", offset + 6)
        while (key_end - offset - 6) % 2:
            key_end = block.index(b"\0\0", key_end + 1)
        key = block[offset + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        if kind == 1:                   # text, value_length in characters
            text = block[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
            out["/".join(path + [key])] = text
            children = value + 2 * value_length
        else:
            if key == "VS_VERSION_INFO" and value_length >= 52:
                ms, ls, pms, pls = struct.unpack_from("<IIII", block, value + 8)
                out["fixed FileVersion"] = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
                out["fixed ProductVersion"] = f"{pms >> 16}.{pms & 0xFFFF}.{pls >> 16}.{pls & 0xFFFF}"
            children = value + value_length
        walk(block, (children + 3) & ~3, offset + length, path + [key], out)
        offset = (offset + length + 3) & ~3


def versions(path):
    """The fixed and the text FileVersion and ProductVersion, one 'name=value' a line."""
    with open(path, "rb") as f:
        block = version_block(f.read())
    found = {}
    walk(block, 0, len(block), [], found)
    for name in ("fixed FileVersion", "fixed ProductVersion", "FileVersion", "ProductVersion"):
        texts = [v for k, v in found.items() if k == name or k.endswith("/" + name)]
        print(f"{name}={texts[0] if texts else ''}")


def link_points_at(path, target):
    """A shell link names its target as the local path in ANSI, or in UTF-16."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x4c\0\0\0":
        fail(f"{path} is not a shell link")
    needle = target.lower()
    text = data.lower()
    if needle.encode("latin-1") not in text and needle.encode("utf-16-le") not in text:
        fail(f"{path} does not point at {target}")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "versions":
        versions(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "link":
        link_points_at(sys.argv[2], sys.argv[3])
    else:
        fail("usage: pe_facts.py versions FILE | link FILE.lnk TARGET")
