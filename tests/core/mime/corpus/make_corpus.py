#!/usr/bin/python3
"""Writes the hand-made test mails of this folder (run it here after changing a case; the
expected fields live beside each mail as NAME.json and are written by hand)."""
import base64


def sjis_to_jis(b1, b2):
    row2 = (b1 - 0x70) * 2 if b1 <= 0x9F else (b1 - 0xB0) * 2
    if b2 < 0x9F:
        return bytes([row2 - 1, b2 - (0x20 if b2 >= 0x80 else 0x1F)])
    return bytes([row2, b2 - 0x7E])


def jis(text, kana="esc"):
    """ISO-2022-JP as Windows writes it: CP932 rows included, half-width kana by ESC ( I or SO/SI."""
    out, mode = b"", "ascii"
    for ch in text:
        if ch == "\n" or ord(ch) < 0x80:
            want, data = "ascii", ch.encode("ascii")
        else:
            cp = ch.encode("cp932")
            if len(cp) == 1:
                want, data = "kana", bytes([cp[0] - 0x80])
            else:
                want, data = "wide", sjis_to_jis(cp[0], cp[1])
        if want != mode:
            if kana == "so" and mode == "kana":
                out += b"\x0f"
            if want == "ascii" and (mode == "wide" or kana == "esc"):
                out += b"\x1b(B"
            elif want == "wide":
                out += b"\x1b$B"
            elif want == "kana":
                out += b"\x1b(I" if kana == "esc" else b"\x0e"
            mode = want
        out += data
    if mode == "kana" and kana == "so":
        out += b"\x0f"
    if mode != "ascii":
        out += b"\x1b(B"
    return out


def bword(charset, data):
    return b"=?" + charset.encode() + b"?B?" + base64.b64encode(data) + b"?="


def write(name, *lines_and_body):
    data = b"\r\n".join(x if isinstance(x, bytes) else x.encode("utf-8") for x in lines_and_body)
    with open(name, "wb") as f:
        f.write(data)


# ISO-2022-JP with the Windows rows (NEC special characters, NEC-selected IBM extensions).
write("iso2022jp-windows-rows.eml",
      b"From: " + bword("ISO-2022-JP", jis("山田 太郎")) + b" <yamada@example.jp>",
      "To: hanako@example.jp",
      b"Subject: " + bword("ISO-2022-JP", jis("①㈱山田商事Ⅰ期")),
      "Date: Tue, 2 Apr 2024 09:15:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=ISO-2022-JP",
      "Content-Transfer-Encoding: 7bit",
      "",
      jis("お世話になっております。"),
      jis("①会議は㈱山田商事の本社で、Ⅰ期の報告です。"),
      jis("髙橋さん（NEC選定IBM拡張）も参加します～。"),
      "")

# Half-width kana: by escape sequence in the subject and body, by SO/SI in a second line.
write("halfwidth-kana.eml",
      "From: shop@example.jp",
      b"Subject: " + bword("ISO-2022-JP", jis("ｶﾀｶﾅのお知らせ")),
      "Date: Wed, 3 Apr 2024 10:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=iso-2022-jp",
      "",
      jis("ﾊﾝｶｸｶﾀｶﾅ（半角カナ）です。"),
      jis("ｼﾌﾄｱｳﾄでもﾖﾒﾏｽ。", kana="so"),
      "")

# Shift_JIS label read as CP932: ①, 髙 from the IBM rows, the wave dash as Windows writes it.
write("shift-jis-label.eml",
      b"From: " + bword("Shift_JIS", "佐藤 花子".encode("cp932")) + b" <sato@example.jp>",
      b"Subject: " + bword("Shift_JIS", "①髙島屋の件～確認".encode("cp932")),
      "Date: Thu, 4 Apr 2024 11:30:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=\"Shift_JIS\"",
      "Content-Transfer-Encoding: 8bit",
      "",
      "①髙島屋の件です。".encode("cp932"),
      "時間は１０時～１１時、場所は㈱本社。".encode("cp932"),
      "")

# EUC-JP read as EUC-JP-MS (① is in its NEC row).
write("euc-jp.eml",
      "From: suzuki@example.jp",
      b"Subject: " + bword("EUC-JP", "EUC-JPの件名".encode("euc_jp")),
      "Date: Fri, 5 Apr 2024 12:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=EUC-JP",
      "Content-Transfer-Encoding: 8bit",
      "",
      "日本語のEUC-JP本文です。".encode("euc_jp"),
      b"\xad\xa1" + "番と、ﾊﾝｶｸ。".encode("euc_jp"),
      "")

# UTF-8: base64 body, Q-encoded subject, a character CP932 does not have.
body = "UTF-8 の本文です。🍣 と 한국어 も読めます。\r\n二行目。\r\n".encode("utf-8")
write("utf8-base64.eml",
      "From: =?UTF-8?Q?=E7=94=B0=E4=B8=AD?= <tanaka@example.jp>",
      "Subject: =?UTF-8?Q?UTF-8=E3=81=AE=E4=BB=B6=E5=90=8D_=F0=9F=8D=A3?=",
      "Date: Sat, 6 Apr 2024 13:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=UTF-8",
      "Content-Transfer-Encoding: base64",
      "",
      base64.encodebytes(body).decode().replace("\n", "\r\n"))

# Raw 8-bit headers and an unlabelled body: CP932 subject, UTF-8 sender name, EUC-JP body.
write("raw-8bit.eml",
      b"From: " + "\"鈴木 一郎\"".encode("utf-8") + b" <ichiro@example.jp>",
      b"Subject: " + "生のシフトJIS件名".encode("cp932"),
      "Date: Sun, 7 Apr 2024 14:00:00 +0900",
      "",
      "ラベルのないEUC-JPの本文です。".encode("euc_jp"),
      "")

# Raw ISO-2022-JP escapes in headers (no encoded words) and a body without a charset label.
write("raw-jis-headers.eml",
      b"From: " + jis("高橋") + b" <takahashi@example.jp>",
      b"Subject: " + jis("エスケープのままの件名"),
      "Date: Mon, 8 Apr 2024 15:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/plain",
      "",
      jis("ラベルなしのJIS本文。"),
      "")

# Adjacent encoded words: the first ends in "=" padding; a character and an escape state split
# across words; a subject folded over three lines.
subj = jis("会議室変更のお知らせ（再送）")
write("adjacent-words.eml",
      "From: =?UTF-8?B?44GCYQ==?= =?UTF-8?B?44GE?= <aai@example.jp>",
      b"Subject: Re: [team:0042] " + bword("ISO-2022-JP", subj[:17]) + b"\r\n " + bword("ISO-2022-JP", subj[17:30]) +
      b"\r\n\t" + bword("ISO-2022-JP", subj[30:]),
      "Date: Tue, 9 Apr 2024\r\n 16:00:00 +0900",
      "X-Split: =?UTF-8?B?4oCd?=",
      "MIME-Version: 1.0",
      "Content-Type: text/plain; charset=us-ascii",
      "",
      "Plain ASCII body.",
      "")

# File names: RFC 2231 with ISO-2022-JP and continuations, RFC 2047 inside quotes, raw 8-bit,
# paths and device names that must not survive.
write("attachment-names.eml",
      "From: files@example.jp",
      "Subject: names",
      "Date: Wed, 10 Apr 2024 17:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: multipart/mixed; boundary=\"b1\"",
      "",
      "--b1",
      "Content-Type: text/plain; charset=ISO-2022-JP",
      "",
      jis("添付します。"),
      "--b1",
      "Content-Type: application/pdf",
      "Content-Disposition: attachment;",
      " filename*=iso-2022-jp''" + "".join("%%%02X" % c for c in jis("見積書.pdf")),
      "Content-Transfer-Encoding: base64",
      "",
      "JVBERi0xLjQK",
      "--b1",
      "Content-Type: text/plain; name=\"long.txt\"",
      "Content-Disposition: attachment;",
      " filename*0*=UTF-8''%E3%81%A8%E3%81%A6%E3%82%82%E9%95%B7%E3%81%84;",
      " filename*1*=%E5%90%8D%E5%89%8D%E3%81%AE;",
      " filename*2=\"file.txt\"",
      "",
      "continued name",
      "--b1",
      "Content-Type: image/png;",
      b" name=\"" + bword("ISO-2022-JP", jis("写真①.png")) + b"\"",
      "Content-Transfer-Encoding: base64",
      "",
      "iVBORw0KGgo=",
      "--b1",
      b"Content-Type: application/octet-stream; name=\"" + "生の名前.doc".encode("cp932") + b"\"",
      "Content-Transfer-Encoding: base64",
      "",
      "0M8R4KGxGuE=",
      "--b1",
      "Content-Type: text/plain",
      "Content-Disposition: attachment; filename=\"..\\..\\Windows\\evil.txt\"",
      "",
      "path",
      "--b1",
      "Content-Type: text/plain",
      "Content-Disposition: attachment; filename=\"../../.bashrc\"",
      "",
      "dot",
      "--b1",
      "Content-Type: text/plain",
      "Content-Disposition: attachment; filename=\"con.txt\"",
      "",
      "device",
      "--b1",
      "Content-Type: application/octet-stream",
      "Content-Disposition: attachment",
      "Content-Transfer-Encoding: base64",
      "",
      "AAECAw==",
      "--b1--",
      "")

# multipart/alternative: the plain text is the body, the HTML twin is no attachment.
write("alternative.eml",
      "From: news@example.jp",
      b"Subject: " + bword("ISO-2022-JP", jis("お知らせ")),
      "Date: Thu, 11 Apr 2024 18:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: multipart/alternative; boundary=\"alt\"",
      "",
      "--alt",
      "Content-Type: text/plain; charset=UTF-8",
      "Content-Transfer-Encoding: 8bit",
      "",
      "テキスト版です。",
      "--alt",
      "Content-Type: text/html; charset=UTF-8",
      "",
      "<html><body><p>HTML版です。</p></body></html>",
      "--alt--",
      "")

# HTML only: readable text with entities and line breaks right.
write("html-only.eml",
      "From: shop@example.jp",
      "Subject: HTML",
      "Date: Fri, 12 Apr 2024 19:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: text/html; charset=ISO-2022-JP",
      "",
      b"<html><head><title>" + jis("題") + b"</title><style>p {color: red}</style></head><body>",
      b"<h1>" + jis("ご注文ありがとうございます") + b"</h1>",
      b"<p>" + jis("金額") + b": &yen;1,000 &amp; " + jis("送料") + b"&nbsp;0" + jis("円") + b"<br>",
      b"&lt;" + jis("税込") + b"&gt; &#x2460;&#12354;</p>",
      b"<script>alert('x')</script><ul><li>A</li><li>B</li></ul>",
      b"<!-- comment --><div>" + jis("最後の行") + b"</div></body></html>",
      "")

# An attached message becomes a .eml named after its subject.
write("attached-message.eml",
      "From: fwd@example.jp",
      "Subject: Fwd: =?ISO-2022-JP?B?" + base64.b64encode(jis("元のメール")).decode() + "?=",
      "Date: Sat, 13 Apr 2024 20:00:00 +0900",
      "MIME-Version: 1.0",
      "Content-Type: multipart/mixed; boundary=\"fw\"",
      "",
      "--fw",
      "Content-Type: text/plain; charset=us-ascii",
      "",
      "See attached.",
      "--fw",
      "Content-Type: message/rfc822",
      "Content-Disposition: inline",
      "",
      "From: orig@example.jp",
      b"Subject: " + bword("ISO-2022-JP", jis("元のメール")),
      "Content-Type: text/plain; charset=ISO-2022-JP",
      "",
      jis("元の本文"),
      "--fw--",
      "")

# A sender name too long for the 90-byte field: the name is shortened, the address kept.
write("long-sender.eml",
      b"From: " + bword("ISO-2022-JP", jis("株式会社とても長い名前の会社東京本社営業部第一課")) + b"\r\n " +
      bword("ISO-2022-JP", jis("担当者山田太郎様宛て")) + b" <very.long.address.for.sales@example.co.jp>",
      "Subject: long sender",
      "Date: Sun, 14 Apr 2024 21:00:00 +0900",
      "",
      "body",
      "")

# One mail with an attachment, split into three message/partial parts.
inner = b"\r\n".join([
    b"From: split@example.jp",
    b"Subject: " + bword("ISO-2022-JP", jis("分割された写真")),
    b"Message-ID: <whole@example.jp>",
    b"MIME-Version: 1.0",
    b"Content-Type: multipart/mixed; boundary=\"sp\"",
    b"",
    b"--sp",
    b"Content-Type: text/plain; charset=ISO-2022-JP",
    b"",
    jis("写真を送ります。"),
    b"--sp",
    b"Content-Type: image/jpeg; name=\"photo.jpg\"",
    b"Content-Disposition: attachment; filename=\"photo.jpg\"",
    b"Content-Transfer-Encoding: base64",
    b"",
    base64.encodebytes(bytes(range(256)) * 3).replace(b"\n", b"\r\n").rstrip(b"\r\n"),
    b"--sp--",
    b""])
third = len(inner) // 3
chunks = [inner[:third], inner[third:2 * third], inner[2 * third:]]
for n, chunk in enumerate(chunks, 1):
    total = "; total=3" if n == 3 else ""
    write("partial-%d.eml" % n,
          "From: split@example.jp",
          "Subject: =?ISO-2022-JP?B?" + base64.b64encode(jis("分割された写真")).decode() + "?= (%d/3)" % n,
          "Date: Mon, 15 Apr 2024 22:0%d:00 +0900" % n,
          "MIME-Version: 1.0",
          "Content-Type: message/partial; id=\"split-0001@example.jp\"; number=%d%s" % (n, total),
          "",
          chunk)
