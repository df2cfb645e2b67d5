#!/usr/bin/env bash
# Mail in an archive with the more-types rules: .eml files and mailboxes written
# here by Python's own mail writer (base64 and quoted-printable bodies, encoded
# header words, utf-8, latin-1 and cp1252 text, HTML alternatives, an attachment,
# a mailbox of several messages with a quoted "From " line and one known by its
# first line only). Every word of the bodies and headers is found in its own file
# through `vedra search`, no word of the encodings or the markup is, and `vedra
# show` marks the hits in the decoded text.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

python=$(command -v python3) || { fail "python3 is missing (scripts/install-deps)"; exit 1; }
tree=$tmp/tree
mkdir -p "$tree"
"$python" - "$tree" "$tmp/bodies" <<'PYTHON' || fail "the mail was not written"
import mailbox, os, sys, unicodedata
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.header import Header

tree, bodies_path = sys.argv[1], sys.argv[2]
bodies = []

def unaccented(word):
    # Accented letters are registered without their accents.
    return "".join(c for c in unicodedata.normalize("NFD", word) if not unicodedata.combining(c))

def body(where, words):
    bodies.extend((where, unaccented(w.lower())) for w in words)
    return " ".join(words)

def text(where, words, subtype, cs, encoding=None):
    part = MIMEText(body(where, words) + "\n", subtype, cs)
    if encoding:  # the writer picks base64 for utf-8; quoted-printable on request
        payload = part.get_payload(decode=True)
        del part["Content-Transfer-Encoding"]
        part.set_payload(payload)
        from email import encoders
        {"qp": encoders.encode_quopri, "b64": encoders.encode_base64}[encoding](part)
    return part

# base64 utf-8 body, encoded words in From and Subject
m = text("b64.eml", ["mailwcitt\u00e0", "mailwfiume", "mailwperch\u00e9"], "plain", "utf-8")
m["From"] = Header("Ren\u00e9e mailwfromname", "utf-8").encode() + " <r@example.com>"
m["Subject"] = Header(body("b64.eml", ["mailwsubj\u00e8ct", "mailwgiardino"]), "utf-8").encode()
open(os.path.join(tree, "b64.eml"), "wb").write(m.as_bytes())
bodies.append(("b64.eml", "mailwfromname"))

# quoted-printable with soft line breaks: a long line of utf-8 words
words = ["mailwqp" + chr(97 + i // 6) + chr(97 + i % 6) + "\u00e0" for i in range(30)]
m = text("qp.eml", words, "plain", "utf-8", "qp")
m["Subject"] = Header(body("qp.eml", ["mailwquoted"]), "iso-8859-1", header_name="Subject").encode()
open(os.path.join(tree, "qp.eml"), "wb").write(m.as_bytes())

# latin-1 and cp1252 8-bit bodies
for name, cs, tag, letters in (("latin1.eml", "iso-8859-1", "lat", "\u00e8"), ("cp1252.eml", "windows-1252", "win", "\u0153")):
    words = body(name, ["mailw" + tag + "caff\u00e8", "mailw" + tag + "tavolo", "mailw" + tag + letters + "uvre"])
    open(os.path.join(tree, name), "wb").write(
        ('Content-Type: text/plain; charset="' + cs + '"\nContent-Transfer-Encoding: 8bit\n\n' + words + "\n").encode(cs))

# multipart/mixed: an alternative of plain and HTML, and an attachment
m = MIMEMultipart("mixed")
alt = MIMEMultipart("alternative")
alt.attach(text("mixed.eml", ["mailwalttext"], "plain", "utf-8"))
alt.attach(MIMEText('<html><head><style>p.hidestyle { color: red }</style></head><body>'
                    '<div class="hideclass"><b>' + body("mixed.eml", ["mailwhtmlbold"]) + '</b> '
                    + body("mixed.eml", ["mailwhtmlcaff\u00e8"]) + '</div></body></html>', "html", "utf-8"))
m.attach(alt)
m.attach(MIMEApplication(b"hideattached " * 40, Name="notes.bin"))
m["Subject"] = "plain " + body("mixed.eml", ["mailwmixedsubject"])
open(os.path.join(tree, "mixed.eml"), "wb").write(m.as_bytes())

# a mailbox of three messages, one body line beginning "From "
box = mailbox.mbox(os.path.join(tree, "box.mbox"))
for i, extra in enumerate(["", "From mailwquotedfrom on\n", ""]):
    e = text("box.mbox", ["mailwbox%d" % i], "plain", "utf-8")
    e.set_payload(e.get_payload(decode=True).decode("utf-8") + extra)
    del e["Content-Transfer-Encoding"]
    e["Content-Transfer-Encoding"] = "8bit"
    box.add(e)
box.flush()
bodies.append(("box.mbox", "mailwquotedfrom"))
box = mailbox.mbox(os.path.join(tree, "Inbox"))
box.add(text("Inbox", ["mailwinboxbody"], "plain", "utf-8"))
box.flush()

with open(bodies_path, "w") as f:
    for where, word in bodies:
        f.write(where + "\t" + word + "\n")
PYTHON

mkdir -p "$tmp/w/Lemmi/Radici"
junk="hidestyle hideclass hideattached div span class style html body content multipart boundary charset utf
quoted printable base encoding transfer mime version"
{ cut -f2 "$tmp/bodies" | sed 's/mailw//' | sed 's/^/mai/'; tr ' \n' '\n\n' <<<"$junk"; } \
  > "$tmp/w/Lemmi/Radici/RadiciParole.txt"

search_paths() { "$vedra" --workdir "$tmp/w" search "$1" 2>/dev/null | cut -f1; }
"$vedra" --workdir "$tmp/w" create mail --more-types >"$tmp/out" 2>&1 || fail "create: $(cat "$tmp/out")"
"$vedra" --workdir "$tmp/w" index "$tree" >"$tmp/out" 2>&1 || fail "index: $(cat "$tmp/out")"

checked=0
while IFS=$'\t' read -r where word; do
  paths=$(search_paths "$word")
  if [ -z "$paths" ]; then
    fail "$word ($where) not found"
  elif grep -qvF "/$where" <<<"$paths"; then
    fail "$word found outside $where: $(tr '\n' ' ' <<<"$paths")"
  fi
  checked=$((checked + 1))
done < "$tmp/bodies"
[ $checked -ge 45 ] || fail "only $checked body words checked"
for word in $junk; do
  [ -z "$(search_paths "$word")" ] || fail "$word of the encoding or the markup was registered"
done

shown=$("$vedra" --workdir "$tmp/w" show "$tree/b64.eml" mailwfiume 2>/dev/null)
grep -q "\[\[mailwfiume\]\]" <<<"$shown" || fail "the preview marks no hit in the decoded text: $shown"
grep -q "Subject: mailwsubj" <<<"$shown" || fail "the preview shows no decoded subject: $shown"

# Attachments: a PDF (its name in RFC 2231's form) and a .docx, read as the
# members of the mail; a changed mail loses the member it dropped, a deleted one
# all of them.
attach() {  # PDF? (1 or 0)
  "$python" - "$tmp/att" "$1" <<'PYTHON' || fail "the mail with attachments was not written"
import os, sys
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
folder, with_pdf = sys.argv[1], sys.argv[2] == "1"
m = MIMEMultipart("mixed")
m["Subject"] = "mailwattsubject"
m.attach(MIMEText("mailwattbody\n", "plain", "utf-8"))
if with_pdf:
    pdf = MIMEApplication(open(os.path.join(folder, "..", "att.pdf"), "rb").read(), "pdf")
    pdf.add_header("Content-Disposition", "attachment", filename=("utf-8", "", "relazione citt\u00e0.pdf"))
    m.attach(pdf)
doc = MIMEApplication(open(os.path.join(folder, "..", "att.docx"), "rb").read())
doc.add_header("Content-Disposition", "attachment", filename="../notes.docx")
m.attach(doc)
open(os.path.join(folder, "attach.eml"), "wb").write(m.as_bytes())
PYTHON
}
if command -v ps2pdf >/dev/null && command -v pandoc >/dev/null && command -v pdftotext >/dev/null; then
  mkdir -p "$tmp/att" "$tmp/w2/Lemmi/Radici"
  printf 'mai\nmailwattpdf\nmailwattdocx\nmailwattbody\nmailwattsubject\n' > "$tmp/w2/Lemmi/Radici/RadiciParole.txt"
  printf '%%!PS\n/Helvetica findfont 24 scalefont setfont 72 700 moveto (mailwattpdf page) show showpage\n' \
    > "$tmp/att.ps"
  ps2pdf "$tmp/att.ps" "$tmp/att.pdf" || fail "ps2pdf"
  printf 'mailwattdocx paragraph\n' > "$tmp/att.md"
  pandoc "$tmp/att.md" -o "$tmp/att.docx" || fail "pandoc"
  echo "mailwattbody" > "$tmp/att/other.txt"
  attach 1
  v2() { "$vedra" --workdir "$tmp/w2" "$@"; }
  v2 create att --more-types >/dev/null 2>&1 || fail "create att"
  v2 index "$tmp/att" >"$tmp/out" 2>&1 || fail "index att: $(cat "$tmp/out")"
  sep=$(printf ' \xc2\xbb ')
  rows=$(v2 search mailwattpdf 2>/dev/null | cut -f1)
  [ "$rows" = "$tmp/att/attach.eml${sep}relazione città.pdf" ] || fail "the attached PDF's row: $rows"
  rows=$(v2 search mailwattdocx 2>/dev/null | cut -f1)
  [[ "$rows" == "$tmp/att/attach.eml${sep}notes.docx${sep}"* ]] || fail "the attached .docx's row: $rows"
  [ "$(v2 search mailwattsubject 2>/dev/null | cut -f1)" = "$tmp/att/attach.eml" ] || fail "the mail's own row"
  out=$(v2 search mailwattpdf --extracts 2>&1)
  grep -q "\[\[mailwattpdf\]\] page" <<<"$out" || fail "the extract shows no text of the attachment: $out"
  [ -e "$tmp/att/attach.eml_vedratemp" ] && fail "the unpack folder was left beside the mail"

  attach 0
  touch -d '+1 minute' "$tmp/att/attach.eml"
  v2 index "$tmp/att" >"$tmp/out" 2>&1 || fail "index att again: $(cat "$tmp/out")"
  [ -z "$(v2 search mailwattpdf 2>/dev/null | cut -f1)" ] || fail "the PDF the mail lost is still found"
  [ -n "$(v2 search mailwattdocx 2>/dev/null | cut -f1)" ] || fail "the .docx the mail kept is gone"
  rm "$tmp/att/attach.eml"
  v2 index "$tmp/att" >"$tmp/out" 2>&1 || fail "index att after the deletion: $(cat "$tmp/out")"
  [ -z "$(v2 search mailwattdocx 2>/dev/null | cut -f1)" ] || fail "a deleted mail's member is still found"
else
  echo "attachments not checked: ps2pdf, pandoc or pdftotext is missing"
fi

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
