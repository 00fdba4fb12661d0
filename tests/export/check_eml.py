#!/usr/bin/env python3
"""Reads .eml files with Python's email package (policy default), the way
mail programs written in Python would, and reports what it found.

  check_eml.py PATH...        every .eml below the paths; prints "checked N"
                              and one line per defect; exit 1 on any defect
  check_eml.py --show FILE    the decoded headers and parts of one file
  check_eml.py --json PATH... one JSON object a line for every .eml below the
                              paths: defects, decoded From/To/Cc/Subject/Date,
                              text and HTML parts, attachments with SHA-256
  check_eml.py --expect EXPECTED.json DIR
                              compares the files below DIR with a JSON list of
                              expectations (see expect()); prints one line per
                              difference and "compared N"; exit 1 on any
  check_eml.py --tree FILE    the part tree of one file, attached messages
                              (message/rfc822) opened in place
  check_eml.py --attachments PATH...
                              one JSON object a line for every named part of
                              every .eml below the paths, attached messages
                              included: the subject of the message it belongs
                              to, its file name and the SHA-256 of its bytes
"""
import codecs
import datetime
import email
import email.policy
import hashlib
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


def address_names(value):
    """The entries of an address header: [display name, address] each; a
    name-only entry (written as a group without members) has address None."""
    entries = []
    for g in getattr(value, 'groups', ()):
        if g.display_name is not None and not g.addresses:
            entries.append([g.display_name, None])
        for a in g.addresses:
            entries.append([a.display_name, a.addr_spec])
    return entries


def lines_of(text):
    return text.replace('\r\n', '\n').replace('\r', '\n')


def own_parts(part):
    """The part and the parts inside it, but not those of an attached message."""
    yield part
    if part.get_content_type() == 'message/rfc822' or not part.is_multipart():
        return
    for inner in part.get_payload():
        yield from own_parts(inner)


def attached_message(part):
    """The message inside a message/rfc822 part. readpst begins it with an mbox
    "From " line, which leaves it without headers: that line is dropped and
    the rest read again."""
    payload = part.get_payload()
    inner = payload[0] if isinstance(payload, list) and payload else None
    if inner is None or len(inner.keys()) or inner.is_multipart():
        return inner
    raw = inner.get_payload(decode=True) or b''
    if raw.startswith(b'>From ') or raw.startswith(b'From '):
        raw = raw.split(b'\n', 1)[1] if b'\n' in raw else b''
        return email.message_from_bytes(raw, policy=email.policy.default)
    return inner


def decoded_bytes(part):
    return part.get_payload(decode=True) or b''


def tree_lines(part, depth, out):
    pad = '  ' * depth
    ctype = part.get_content_type()
    if ctype == 'message/rfc822':
        out.append('%srfc822 %s %s' % (pad, part.get_content_disposition(), part.get_filename()))
        inner = attached_message(part)
        if inner is not None:
            out.append('%s  message %s' % (pad, json.dumps(str(inner['Subject']),
                                                          ensure_ascii=False)))
            tree_lines(inner, depth + 1, out)
    elif part.is_multipart():
        out.append('%smultipart %s %d' % (pad, ctype, len(part.get_payload())))
        for inner in part.get_payload():
            tree_lines(inner, depth + 1, out)
    else:
        data = decoded_bytes(part)
        out.append('%spart %s %s %s %s %d %s' % (
            pad, ctype, part.get_content_disposition(), part.get_filename(), part['Content-ID'],
            len(data), hashlib.sha256(data).hexdigest()[:16]))
        if ctype in ('text/plain', 'text/html') and part.get_content_disposition() is None:
            out.append('%s  content %s' % (pad, json.dumps(part.get_content(),
                                                          ensure_ascii=False)))


def tree(path):
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    out = ['defects: %d' % len(defects_of(path)),
           'message %s' % json.dumps(str(msg['Subject']), ensure_ascii=False)]
    tree_lines(msg, 0, out)
    for line in out:
        print(line)


def named_parts(msg, path, out):
    subject = str(msg['Subject']) if msg['Subject'] is not None else ''
    for part in own_parts(msg):
        if part.get_content_type() == 'message/rfc822':
            inner = attached_message(part)
            if inner is not None:
                named_parts(inner, path, out)
        elif not part.is_multipart() and part.get_filename() is not None:
            data = decoded_bytes(part)
            out.append({'file': path, 'subject': subject, 'name': part.get_filename(),
                        'size': len(data), 'sha256': hashlib.sha256(data).hexdigest()})


def fields_of(path):
    with open(path, 'rb') as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    out = {'file': path, 'defects': defects_of(path)}
    for name in ('From', 'To', 'Cc', 'Bcc', 'Sender'):
        if msg[name] is not None:
            out[name.lower()] = address_names(msg[name])
    if msg['Subject'] is not None:
        out['subject'] = str(msg['Subject'])
    date = msg['Date']
    if date is not None and getattr(date, 'datetime', None) is not None:
        out['date'] = date.datetime.astimezone(datetime.timezone.utc).isoformat()
    out['text'], out['html'], out['attachments'] = [], [], []
    for part in own_parts(msg):
        if part.get_content_type() == 'message/rfc822':
            inner = attached_message(part)
            out['attachments'].append({'name': part.get_filename(), 'message':
                                       str(inner['Subject']) if inner is not None else None})
            continue
        if part.is_multipart():
            continue
        if part.get_content_disposition() in ('attachment', 'inline') and part.get_filename():
            data = decoded_bytes(part)
            out['attachments'].append({'name': part.get_filename(), 'size': len(data),
                                       'sha256': hashlib.sha256(data).hexdigest()})
        elif part.get_content_type() in ('text/plain', 'text/html'):
            key = 'text' if part.get_content_type() == 'text/plain' else 'html'
            out[key].append(lines_of(part.get_content()))
    return out


def eml_files(paths):
    files = []
    for p in paths:
        if os.path.isdir(p):
            for root, _, names in os.walk(p):
                files += [os.path.join(root, n) for n in names if n.endswith('.eml')]
        else:
            files.append(p)
    return sorted(files)


def sha256_of_file(path):
    with open(path, 'rb') as f:
        return hashlib.sha256(f.read()).hexdigest()


def expect(expected_path, top):
    """Each expectation names a file by the end of its path ("suffix"), may
    name the end of its directory ("dir"), and may give from, to, cc, subject, date, text, html (lists of bodies, compared
    after CR LF becomes LF) and attachments ([{"name", "file"}]: the original
    bytes in a file). Every file below top must be expected, and every
    expected file found once."""
    with open(expected_path, encoding='utf-8') as f:
        wanted = json.load(f)
    files = eml_files([top])
    problems = []
    seen = set()
    for w in wanted:
        hits = [p for p in files if p.endswith(w['suffix'])]
        if len(hits) != 1:
            problems.append('%s: found %d times' % (w['suffix'], len(hits)))
            continue
        seen.add(hits[0])
        if 'dir' in w and not os.path.dirname(hits[0]).endswith(w['dir']):
            problems.append('%s: not in a directory %s' % (hits[0], w['dir']))
        got = fields_of(hits[0])
        for d in got['defects']:
            problems.append('%s: defect %s' % (hits[0], d))
        for key in ('from', 'to', 'cc', 'subject', 'date'):
            if key in w and got.get(key) != w[key]:
                problems.append('%s: %s is %r, not %r' % (hits[0], key, got.get(key), w[key]))
        for key in ('text', 'html'):
            if key in w and got[key] != [lines_of(b) for b in w[key]]:
                problems.append('%s: %s is %r, not %r' % (hits[0], key, got[key], w[key]))
        if 'attachments' in w:
            want = [{'name': a['name'], 'sha256': sha256_of_file(a['file'])}
                    for a in w['attachments']]
            have = [{'name': a['name'], 'sha256': a.get('sha256')} for a in got['attachments']]
            # The order is not compared: only that every original comes back whole.
            def order(a):
                return (a['name'] or '', a['sha256'])
            if sorted(have, key=order) != sorted(want, key=order):
                problems.append('%s: attachments %r, not %r' % (hits[0], have, want))
    for p in files:
        if p not in seen:
            problems.append('%s: not expected' % p)
    for p in problems:
        print(p)
    print('compared %d' % len(files))
    return 1 if problems else 0


def main(argv):
    if len(argv) == 3 and argv[1] == '--show':
        show(argv[2])
        return 0
    if len(argv) >= 2 and argv[1] == '--json':
        for path in eml_files(argv[2:]):
            print(json.dumps(fields_of(path), ensure_ascii=False))
        return 0
    if len(argv) == 3 and argv[1] == '--tree':
        tree(argv[2])
        return 0
    if len(argv) >= 2 and argv[1] == '--attachments':
        for path in eml_files(argv[2:]):
            with open(path, 'rb') as f:
                msg = email.message_from_binary_file(f, policy=email.policy.default)
            found = []
            named_parts(msg, path, found)
            for entry in found:
                print(json.dumps(entry, ensure_ascii=False))
        return 0
    if len(argv) == 4 and argv[1] == '--expect':
        return expect(argv[2], argv[3])
    files = eml_files(argv[1:])
    bad = 0
    for path in files:
        for d in defects_of(path):
            print('%s: %s' % (path, d))
            bad += 1
    print('checked %d' % len(files))
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
