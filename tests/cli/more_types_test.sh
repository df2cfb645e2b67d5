#!/usr/bin/env bash
# `vedra create --more-types`: the list files it writes (and, without it, the
# description's bytes), and what is found over a tree of real document types made
# here: OpenDocument and Office files and an e-book written as zip files with their
# real members and markup, a PDF made by ps2pdf, a gzip file, an HTML page with
# style and script, files without extension or of an unknown type, and binary
# files. Every word of each body is found in its file alone; no word of the markup.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

python=$(command -v python3) || { fail "python3 is missing (scripts/install-deps)"; exit 1; }
command -v ps2pdf >/dev/null || { fail "ps2pdf is missing (ghostscript, scripts/install-deps)"; exit 1; }

tree=$tmp/tree
mkdir -p "$tree"
# Writes the tree and, in $tmp/bodies, one line per body word: where a search for
# it must find it (a part of the result's path), then the word.
"$python" - "$tree" "$tmp/bodies" <<'PYTHON' || fail "the tree was not written"
import os, sys, zipfile

tree, bodies_path = sys.argv[1], sys.argv[2]
bodies = []

def words(tag, *suffixes):
    return [tag + s for s in suffixes]

def body(where, ws):
    bodies.extend((where, w) for w in ws)
    return ws

def write_zip(name, members, mimetype=None):
    # The mimetype member first and stored, as OpenDocument and EPUB require.
    with zipfile.ZipFile(os.path.join(tree, name), "w", zipfile.ZIP_DEFLATED) as z:
        if mimetype:
            z.writestr(zipfile.ZipInfo("mimetype"), mimetype, compress_type=zipfile.ZIP_STORED)
        for member, text in members:
            z.writestr(member, text)

XML = '<?xml version="1.0" encoding="UTF-8"?>\n'
ODF_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
          'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
          'xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"')

def odf(name, kind, body_xml):
    mime = "application/vnd.oasis.opendocument." + kind
    manifest = (XML + '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" '
                'manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="' + mime + '"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="meta.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    content = (XML + '<office:document-content ' + ODF_NS + ' office:version="1.3">'
               '<office:automatic-styles><style:style style:name="P1" style:family="paragraph">'
               '<style:text-properties fo:font-weight="bold" style:font-name="Liberation Serif"/></style:style>'
               '<style:style style:name="ce1" style:family="table-cell"/></office:automatic-styles>'
               '<office:body>' + body_xml + '</office:body></office:document-content>')
    styles = (XML + '<office:document-styles ' + ODF_NS + ' office:version="1.3"><office:styles>'
              '<style:default-style style:family="paragraph"><style:paragraph-properties fo:margin-top="0cm"/>'
              '</style:default-style></office:styles></office:document-styles>')
    meta = (XML + '<office:document-meta ' + ODF_NS + ' office:version="1.3"><office:meta>'
            '<meta:creation-date>2024-05-01T10:00:00</meta:creation-date></office:meta></office:document-meta>')
    write_zip(name, [("META-INF/manifest.xml", manifest), ("content.xml", content), ("styles.xml", styles),
                     ("meta.xml", meta)], mime)

def paragraphs(ws):
    return ''.join('<text:p text:style-name="P1">' + w + '</text:p>' for w in ws)

w = body("letter.odt » ", words("odtw", "aurel", "brisk", "cinder"))
odf("letter.odt", "text", '<office:text>' + paragraphs(w[:2]) +
    '<text:p>' + w[2] + ' <text:span text:style-name="T1">.</text:span></text:p></office:text>')
w = body("form.ott » ", words("ottw", "dapple", "ember"))
odf("form.ott", "text-template", '<office:text>' + paragraphs(w) + '</office:text>')
w = body("sheet.ods » ", words("odsw", "fennel", "gorse", "heron"))
odf("sheet.ods", "spreadsheet",
    '<office:spreadsheet><table:table table:name="Sheet1" table:style-name="ta1"><table:table-column/>'
    + ''.join('<table:table-row><table:table-cell table:style-name="ce1" office:value-type="string">'
              '<text:p>' + x + '</text:p></table:table-cell></table:table-row>' for x in w)
    + '</table:table></office:spreadsheet>')
w = body("slides.odp » ", words("odpw", "inlet", "jasper"))
odf("slides.odp", "presentation",
    '<office:presentation><draw:page draw:name="page1" draw:style-name="dp1"><draw:frame draw:layer="layout">'
    '<draw:text-box>' + paragraphs(w) + '</draw:text-box></draw:frame></draw:page></office:presentation>')
w = body("drawing.odg » ", words("odgw", "kestrel", "loam"))
odf("drawing.odg", "graphics",
    '<office:drawing><draw:page draw:name="page1"><draw:custom-shape draw:style-name="gr1">'
    + paragraphs(w) + '</draw:custom-shape></draw:page></office:drawing>')

OOXML_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
def content_types(overrides):
    return (XML + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            + ''.join('<Override PartName="' + p + '" ContentType="' + t + '"/>' for p, t in overrides)
            + '</Types>')
def rels(targets):
    return (XML + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            + ''.join('<Relationship Id="rId%d" Type="%s/%s" Target="%s"/>' % (i + 1, OOXML_REL, kind, target)
                      for i, (kind, target) in enumerate(targets))
            + '</Relationships>')

w = body("memo.docx » ", words("docw", "marl", "nettle", "osprey"))
write_zip("memo.docx", [
    ("[Content_Types].xml", content_types([("/word/document.xml",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml")])),
    ("_rels/.rels", rels([("officeDocument", "word/document.xml")])),
    ("word/_rels/document.xml.rels", rels([("styles", "styles.xml")])),
    ("word/styles.xml", XML + '<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
        '<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/></w:style></w:styles>'),
    ("word/document.xml", XML + '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
        '<w:body><w:p><w:pPr><w:pStyle w:val="Heading1"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>' + w[0] +
        '</w:t></w:r></w:p><w:p><w:r><w:t xml:space="preserve">' + w[1] + ' </w:t></w:r></w:p>'
        '<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/></w:tblPr><w:tr><w:tc><w:p><w:r><w:t>' + w[2] +
        '</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:sectPr/></w:body></w:document>'),
])

w = body("table.xlsx » ", words("xlsw", "pewter", "quince", "rowan"))
SML = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
write_zip("table.xlsx", [
    ("[Content_Types].xml", content_types([
        ("/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"),
        ("/xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"),
        ("/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml")])),
    ("_rels/.rels", rels([("officeDocument", "xl/workbook.xml")])),
    ("xl/workbook.xml", XML + '<workbook ' + SML + ' xmlns:r="' + OOXML_REL + '"><sheets>'
        '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>'),
    ("xl/_rels/workbook.xml.rels", rels([("worksheet", "worksheets/sheet1.xml"), ("sharedStrings", "sharedStrings.xml"),
                                         ("styles", "styles.xml")])),
    ("xl/styles.xml", XML + '<styleSheet ' + SML + '><fonts count="1"><font><sz val="11"/><name val="Calibri"/>'
        '</font></fonts><cellXfs count="1"><xf numFmtId="0" fontId="0"/></cellXfs></styleSheet>'),
    ("xl/sharedStrings.xml", XML + '<sst ' + SML + ' count="2" uniqueCount="2"><si><t>' + w[0] +
        '</t></si><si><t>' + w[1] + '</t></si></sst>'),
    ("xl/worksheets/sheet1.xml", XML + '<worksheet ' + SML + '><sheetData><row r="1">'
        '<c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>'
        '<c r="C1" t="inlineStr"><is><t>' + w[2] + '</t></is></c><c r="D1" s="0"><v>42</v></c>'
        '</row></sheetData></worksheet>'),
])

w = body("deck.pptx » ", words("pptw", "sorrel", "tansy", "umber"))
PML = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
       'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" xmlns:r="' + OOXML_REL + '"')
write_zip("deck.pptx", [
    ("[Content_Types].xml", content_types([
        ("/ppt/presentation.xml", "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"),
        ("/ppt/slides/slide1.xml", "application/vnd.openxmlformats-officedocument.presentationml.slide+xml")])),
    ("_rels/.rels", rels([("officeDocument", "ppt/presentation.xml")])),
    ("ppt/presentation.xml", XML + '<p:presentation ' + PML + '><p:sldIdLst><p:sldId id="256" r:id="rId1"/>'
        '</p:sldIdLst><p:sldSz cx="9144000" cy="6858000"/></p:presentation>'),
    ("ppt/_rels/presentation.xml.rels", rels([("slide", "slides/slide1.xml")])),
    ("ppt/slides/slide1.xml", XML + '<p:sld ' + PML + '><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/>'
        '</p:nvGrpSpPr><p:sp><p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" b="1"/><a:t>' + w[0] +
        '</a:t></a:r></a:p><a:p><a:r><a:t>' + w[1] + ' ' + w[2] + '</a:t></a:r></a:p></p:txBody></p:sp>'
        '</p:spTree></p:cSld></p:sld>'),
    ("ppt/slides/_rels/slide1.xml.rels", rels([("slideLayout", "../slideLayouts/slideLayout1.xml")])),
])

w = body("book.epub » ", words("epubw", "alder", "vetch", "willow", "yarrow", "zinnia"))
write_zip("book.epub", [
    ("META-INF/container.xml", XML + '<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
        '<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>'
        '</rootfiles></container>'),
    ("OEBPS/content.opf", XML + '<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="uid">'
        '<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="uid">' + w[0] +
        '</dc:identifier><dc:title>' + w[1] + '</dc:title><dc:language>it</dc:language></metadata>'
        '<manifest><item id="ch1" href="chapter1.xhtml" media-type="application/xhtml+xml"/>'
        '<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/></manifest>'
        '<spine toc="ncx"><itemref idref="ch1"/></spine></package>'),
    ("OEBPS/toc.ncx", XML + '<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1"><head>'
        '<meta name="dtb:uid" content="uid"/></head><docTitle><text>' + w[1] + '</text></docTitle><navMap>'
        '<navPoint id="navpoint1" playOrder="1"><navLabel><text>' + w[2] + '</text></navLabel>'
        '<content src="chapter1.xhtml"/></navPoint></navMap></ncx>'),
    ("OEBPS/chapter1.xhtml", XML + '<!DOCTYPE html>\n<html xmlns="http://www.w3.org/1999/xhtml" '
        'xmlns:epub="http://www.idpf.org/2007/ops"><head><title>' + w[2] + '</title>'
        '<style type="text/css">p.first { font-family: serif; margin: 0 }</style></head>'
        '<body><h1 class="chapter">' + w[2] + '</h1><p class="first">' + w[3] + '</p><p>' + w[4] + '</p></body></html>'),
], "application/epub+zip")

def plain(name, where, ws, make=None):
    text = make(body(where, ws)) if make else ' '.join(body(where, ws)) + '\n'
    with open(os.path.join(tree, name), "wb") as f:
        f.write(text.encode("utf-8") if isinstance(text, str) else text)

w = body("page.html", words("htmw", "acorn", "bramble"))
plain("page.html", "page.html", [], lambda _: (
    '<!DOCTYPE html><html><head><title>' + w[0] + '</title><style>.hidestyle { color: red; margin: 0 }</style>'
    '<script type="text/javascript">function greet() { alert("hidescript"); }</script></head>'
    '<body class="main"><p style="font-weight: bold">' + w[1] + '</p><!-- hidecomment --></body></html>\n'))
plain("README", "/README", words("readw", "clover", "dune"))
plain("LICENSE", "/LICENSE", words("licw", "elder", "flint"))
plain("Apache-2.0", "/Apache-2.0", words("apachw", "garnet", "hazel"))
plain("Makefile", "/Makefile", [], lambda _: "all:\n\techo " + " ".join(body("/Makefile", words("makw", "iris", "jade"))) + "\n")
plain("notes.xyz", "/notes.xyz", [], lambda _: ("Citt\u00e0 " + " ".join(body("/notes.xyz", words("xyzw", "kelp", "lichen"))) + "\n").encode("utf-8"))
plain("guide.md", "/guide.md", [], lambda _: "# " + " ".join(body("/guide.md", words("mdw", "moss", "nutmeg"))) + "\n")
plain("control.txt", "/control.txt", [], lambda _: "controlword\n")
bodies.append(("/control.txt", "controlword"))

# Binary files: never read with the rules, whatever words they hold.
with open(os.path.join(tree, "blob.bin"), "wb") as f:
    f.write(b"\x7fELF\x02\x01\x01\x00\x00\x00 binxword " + bytes(64))
with open(os.path.join(tree, "noise.qqq"), "wb") as f:
    f.write(b"\x01\xff\x02 noisxword \x03\x1f\x9c\x05" * 200)
with open(os.path.join(tree, "firmware"), "wb") as f:
    f.write(b"\x00\x00firmxword\x00\x00" * 10)

with open(bodies_path, "w") as f:
    for where, word in bodies:
        f.write(where + "\t" + word + "\n")
PYTHON

# A PDF made by ghostscript from PostScript written here.
cat > "$tmp/report.ps" <<'PS'
%!PS
/Helvetica findfont 14 scalefont setfont
72 700 moveto (pdfwhalyard pdfwislet) show
72 680 moveto (pdfwjuniper) show
showpage
PS
ps2pdf "$tmp/report.ps" "$tree/report.pdf" || fail "ps2pdf"
printf 'report.pdf\tpdfwhalyard\nreport.pdf\tpdfwislet\nreport.pdf\tpdfwjuniper\n' >> "$tmp/bodies"
printf 'gzw%s ' kiln larch > "$tree/notes.txt"
gzip "$tree/notes.txt"
printf 'notes.txt.gz »\tgzwkiln\nnotes.txt.gz »\tgzwlarch\n' >> "$tmp/bodies"

# Words of the markup, and made-up words hidden in script, style and comments.
markup="style table office xmlns text paragraph manifest oasis opendocument automatic schemas openxmlformats
relationship relationships worksheet sheetdata spreadsheetml presentationml wordprocessingml drawingml
container rootfile navmap navpoint metadata spine itemref package application mimetype xhtml doctype
font family weight margin color serif calibri function alert javascript hidestyle hidescript hidecomment
first chapter main heading tblstyle tablegrid liberation"
# The roots of every word, markup too: markup must be missing because it is not
# read, not because its roots are. control.txt holds the markup words as text.
mkdir -p "$tmp/w/Lemmi/Radici"
{ cut -f2 "$tmp/bodies"; tr ' \n' '\n\n' <<<"$markup"; echo binxword noisxword firmxword; } > "$tmp/w/Lemmi/Radici/RadiciParole.txt"
tr '\n' ' ' <<<"$markup" >> "$tree/control.txt"

# Every list the description gives, as a default archive writes it.
crlf() { printf '%s\r\n' "$@"; }
fil=$(crlf .doc .pub .wri .rtf .bas .pas .c .h .xl .xls .tbk .asp .ppt .shtm .dat .ind .blb .js .php .bbl .xml \
  .vedra .msg .exif .wma .mp3 .mht .cpp | od -An -tx1 | tr -d ' \n')
scm=$(crlf .docx .odt .pdf | od -An -tx1 | tr -d ' \n')
cmp_list=$(crlf .chm .cab .chw .7z .zip .hws .rar .arj .tar .gz .z | od -An -tx1 | tr -d ' \n')
fmm=$(crlf .bmp .jpg .ico .cur .emf .whf .dib .jpeg .pcx .gif .wmf .png .tif .pct '****' .exe .avi .mp4 .mid .mp3 \
  .exif .mov .mpg .wma .mp2 .mpeg .swf .wav .rmi .wmv .aif | od -An -tx1 | tr -d ' \n')
hex() { od -An -tx1 "$1" | tr -d ' \n'; }

search_paths() { "$vedra" --workdir "$tmp/w" search "$1" 2>/dev/null | cut -f1; }

# ---- without the option: the description's lists, byte for byte -------------
"$vedra" --workdir "$tmp/w" create plain >"$tmp/out" 2>&1 || fail "create plain: $(cat "$tmp/out")"
grep -q "More document types" "$tmp/out" && fail "a plain archive says more types"
a=$tmp/w/C_PLAIN_1
[ "$(hex "$a/FIL.1")" = "$fil" ] || fail "FIL.1 of a plain archive"
[ "$(hex "$a/SCM.1")" = "$scm" ] || fail "SCM.1 of a plain archive"
[ "$(hex "$a/CMP.1")" = "$cmp_list" ] || fail "CMP.1 of a plain archive"
[ "$(hex "$a/FMM.1")" = "$fmm" ] || fail "FMM.1 of a plain archive"
mkdir "$tmp/plain_files"
cp "$a"/*.1 "$tmp/plain_files/"
"$vedra" --workdir "$tmp/w" index --unpack "$tree" >"$tmp/out" 2>&1 || fail "plain index: $(cat "$tmp/out")"
# What only the option changes: unknown types, binary files without extension,
# spreadsheets.
[ -z "$(search_paths xyzwkelp)" ] || fail "a plain archive read an unknown type"
[ -n "$(search_paths firmxword)" ] || fail "a plain archive should read a name without extension as it is"
[ -z "$(search_paths odswfennel)" ] || fail "a plain archive unpacked a spreadsheet"
[ -n "$(search_paths readwclover)" ] || fail "a plain archive reads README"
rm -rf "$tmp/w/IND_ARC.PRI" "$a"

# ---- with the option ----------------------------------------------------------
out=$("$vedra" --workdir "$tmp/w" create more --more-types 2>"$tmp/err") || fail "create --more-types: $(cat "$tmp/err")"
grep -qx "More document types: on" <<<"$out" || fail "create output: $out"
m=$tmp/w/C_MORE_1
for f in "$tmp"/plain_files/*.1; do
  name=$(basename "$f")
  case $name in FIL.1 | SCM.1) continue ;; esac
  cmp -s "$f" "$m/$name" || fail "$name differs from a plain archive's"
done
[ "$(hex "$m/FIL.1" | head -c ${#fil})" = "$fil" ] || fail "FIL.1 does not begin with the usual list"
added=$(tail -c +$((${#fil} / 2 + 1)) "$m/FIL.1")
[ "${added:0:13}" = "$(printf '*\r\n.md\r\n.rst\r\n')" ] || fail "FIL.1 additions: ${added:0:40}"
[ "$(stat -c %s "$m/FIL.1")" -le 2047 ] || fail "FIL.1 is longer than the 2047 bytes read"
[ "$(hex "$m/SCM.1")" = "$scm$(crlf .ott .ods .ots .odp .otp .odg .otg .xlsx .xlsm .xltx .pptx .pptm .ppsx .potx \
  .docm .dotx .epub | od -An -tx1 | tr -d ' \n')" ] || fail "SCM.1 with more types: $(cat "$m/SCM.1")"

out=$("$vedra" --workdir "$tmp/w" index --unpack "$tree" 2>"$tmp/err") || fail "index: $(cat "$tmp/err")"
grep -q "ERRORE" <<<"$out$(cat "$tmp/err")" && fail "a file failed: $out $(cat "$tmp/err")"

# Every body word, found in its own file and in no other.
checked=0
while IFS=$'\t' read -r where word; do
  paths=$(search_paths "$word")
  if [ -z "$paths" ]; then
    fail "$word ($where) not found"
  elif grep -qvF "$where" <<<"$paths"; then
    fail "$word found outside $where: $(tr '\n' ' ' <<<"$paths")"
  fi
  checked=$((checked + 1))
done < "$tmp/bodies"
[ $checked -ge 45 ] || fail "only $checked body words checked"

# Every markup word, found in the control file alone (so its root is there).
for word in $markup; do
  paths=$(search_paths "$word")
  [ "$paths" = "$tree/control.txt" ] || fail "markup word $word: $(tr '\n' ' ' <<<"$paths")"
done
for word in binxword noisxword firmxword; do
  [ -z "$(search_paths "$word")" ] || fail "$word of a binary file was read"
done
# No unpacked member is left.
[ -z "$(find "$tree" -name '*_vedratemp*')" ] || fail "unpack folders left: $(find "$tree" -name '*_vedratemp*')"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
