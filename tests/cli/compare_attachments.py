# Checks files ostrel saved against the attachments readpst wrote into .eml
# files: every saved file must equal, byte for byte, an attachment part of
# the same file name (RFC 2183 filename, RFC 2231 decoded) in one of readpst's
# messages. Prints "ok N" or one line per file that has no such part.
import email
import email.policy
import os
import sys


def readpst_parts(folder):
    parts = {}
    for root, _, files in os.walk(folder):
        for name in files:
            if not name.endswith(".eml"):
                continue
            with open(os.path.join(root, name), "rb") as f:
                message = email.message_from_binary_file(f, policy=email.policy.default)
            for part in message.walk():
                filename = part.get_filename()
                if filename and not part.is_multipart():
                    payload = part.get_payload(decode=True)
                    if payload is not None:
                        parts.setdefault(filename, []).append(payload)
    return parts


def main():
    readpst_dir, saved_dir = sys.argv[1], sys.argv[2]
    parts = readpst_parts(readpst_dir)
    bad = []
    saved = sorted(os.listdir(saved_dir))
    for name in saved:
        with open(os.path.join(saved_dir, name), "rb") as f:
            data = f.read()
        if data not in parts.get(name, []):
            bad.append("%s: %d bytes, readpst has %s" %
                       (name, len(data), [len(p) for p in parts.get(name, [])]))
    print("\n".join(bad) if bad else "ok %d" % len(saved))


main()
