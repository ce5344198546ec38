#!/usr/bin/python3
"""Reads one received message with Python's email parser and prints what the mail tests check,
one "key<TAB>value" per line (line breaks in values as \\n); decoded leaf parts are written to
OUT/part-N.bin. Usage: ler-email.py MESSAGE.eml OUT"""
import email
import os
import sys
from email import policy


def esc(v):
    return str(v).replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def estrutura(p):
    if p.is_multipart():
        return p.get_content_type() + "(" + ",".join(estrutura(s) for s in p.iter_parts()) + ")"
    return p.get_content_type()


def main():
    data = open(sys.argv[1], "rb").read()
    out = sys.argv[2]
    os.makedirs(out, exist_ok=True)
    msg = email.message_from_bytes(data, policy=policy.default)
    linhas = []
    for h in ["From", "To", "Cc", "Bcc", "Subject", "Reply-To", "X-Priority", "Priority", "Importance",
              "Disposition-Notification-To", "Return-Receipt-To", "X-Mailer", "MIME-Version", "Date",
              "Message-ID", "Organization"]:
        v = msg.get(h)
        if v is not None:
            linhas.append(("header." + h.lower(), v))
            if hasattr(v, "addresses"):
                linhas.append(("addrs." + h.lower(),
                               ";".join("%s|%s" % (a.display_name, a.addr_spec) for a in v.addresses)))
    linhas.append(("structure", estrutura(msg)))
    linhas.append(("raw.maxline", max(len(l) for l in data.split(b"\r\n"))))
    linhas.append(("raw.8bit", int(any(b > 127 for b in data))))
    n = 0
    for p in msg.walk():
        if p.is_multipart():
            continue
        n += 1
        k = "part.%d." % n
        linhas.append((k + "type", p.get_content_type()))
        linhas.append((k + "charset", p.get_content_charset() or ""))
        linhas.append((k + "disposition", p.get_content_disposition() or ""))
        linhas.append((k + "filename", p.get_filename() or ""))
        linhas.append((k + "cid", p.get("Content-ID", "")))
        linhas.append((k + "description", p.get("Content-Description", "")))
        linhas.append((k + "cte", p.get("Content-Transfer-Encoding", "")))
        payload = p.get_payload(decode=True) or b""
        open(os.path.join(out, "part-%d.bin" % n), "wb").write(payload)
        if p.get_content_maintype() == "text":
            linhas.append((k + "text", p.get_content()))
    linhas.append(("parts", n))
    linhas.append(("defects", sum(len(p.defects) for p in msg.walk())))
    sys.stdout.buffer.write("".join("%s\t%s\n" % (k, esc(v)) for k, v in linhas).encode("utf-8"))


main()
