#!/usr/bin/env python3
"""Reads .eml files with Python's email package (policy default), the way
mail programs written in Python would, and reports what it found.

  check_eml.py PATH...        every .eml below the paths; prints "checked N"
                              and one line per defect; exit 1 on any defect
  check_eml.py --show FILE    the decoded headers and parts of one file
"""
import codecs
import email
import email.policy
import json
import os
import sys


def defects_of(path):
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    found = []
    for part in msg.walk():
        for d in part.defects:
            found.append('part %s: %r' % (part.get_content_type(), d))
        for name, value in part.items():
            for d in getattr(value, 'defects', ()):
                found.append('header %s: %r' % (name, d))
        charset = part.get_param('charset')
        if charset is not None:
            try:
                codecs.lookup(str(charset))
            except LookupError:
                found.append('unknown charset %s' % charset)
        if not part.is_multipart():
            try:
                part.get_content()
            except Exception as e:  # noqa: BLE001 - any failure is a finding
                found.append('content of %s: %r' % (part.get_content_type(), e))
    return found


def show(path):
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    print('defects: %d' % len(defects_of(path)))
    for name, value in msg.items():
        print('header %s: %s' % (name, str(value)))
        if hasattr(value, 'groups'):
            names = []
            for g in value.groups:
                if g.display_name is not None and not g.addresses:
                    names.append(g.display_name)
                for a in g.addresses:
                    names.append('%s <%s>' % (a.display_name, a.addr_spec) if a.display_name
                                 else a.addr_spec)
            print('names %s: %s' % (name, '|'.join(names)))
    for part in msg.walk():
        if part.is_multipart():
            print('multipart %s %d' % (part.get_content_type(), len(part.get_payload())))
            continue
        print('part %s %s %s' % (part.get_content_type(), part.get_content_charset(),
                                 part.get_filename()))
        content = part.get_content()
        if isinstance(content, bytes):
            print('bytes %d %s' % (len(content), content[:64].hex()))
        else:
            print('content ' + json.dumps(content, ensure_ascii=False))
    print('epilogue ' + json.dumps(msg.epilogue))


def main(argv):
    if len(argv) == 3 and argv[1] == '--show':
        show(argv[2])
        return 0
    files = []
    for p in argv[1:]:
        if os.path.isdir(p):
            for root, _, names in os.walk(p):
                files += [os.path.join(root, n) for n in names if n.endswith('.eml')]
        else:
            files.append(p)
    bad = 0
    for path in sorted(files):
        for d in defects_of(path):
            print('%s: %s' % (path, d))
            bad += 1
    print('checked %d' % len(files))
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
