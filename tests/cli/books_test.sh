#!/usr/bin/env bash
# E-books, rich text, workbooks and presentations under `--more-types`, made here
# by the tools people use: pandoc writes an .epub, a .docx, an .odt and an .rtf
# from one text, openpyxl an .xlsx; a presentation and a spreadsheet are written
# as zip files with their real members. Every body word is found in each, no word
# of the markup (its roots added so that it would be registered if read), the
# sheet and slide names are found, and the previews show the text in the reader's
# order. Damaged files (a cut zip, a package without spine, an RTF with unbalanced
# braces) never stop the run.
source "$(dirname "${BASH_SOURCE[0]}")/test_support.sh"

python=
for candidate in /usr/bin/python3 "$(command -v python3)"; do
  if [ -x "$candidate" ] && "$candidate" -c "import openpyxl" 2>/dev/null; then python=$candidate; break; fi
done
for tool in pandoc:pandoc 7z:7zip python:python3-openpyxl; do
  name=${tool%%:*}
  if { [ "$name" = python ] && [ -z "$python" ]; } || { [ "$name" != python ] && ! command -v "$name" >/dev/null; }; then
    echo "skipped: $name is missing (install the Debian package ${tool#*:}; scripts/install-deps does)"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
  fi
done

tree=$tmp/tree
mkdir -p "$tree"
body_words="lantern meadow orchard harbor bridge whisper candle village"
cat >"$tmp/body.md" <<'EOF'
---
title: Autumn
---

# First chapter

The lantern glowed over the meadow near the orchard.

# Second chapter

A harbor bridge, a whisper, a candle in the village.
EOF
for type in epub docx odt rtf; do
  pandoc "$tmp/body.md" -o "$tree/story.$type" 2>/dev/null || fail "pandoc did not write story.$type"
done

"$python" - "$tree" <<'PYTHON' || fail "the workbook and the presentation were not written"
import os, sys, zipfile, openpyxl
tree = sys.argv[1]
book = openpyxl.Workbook()
first = book.active
first.title = "Kitchen"
first["A1"], first["B1"], first["A2"] = "pepper", 42, "garlic onion"
second = book.create_sheet("Garden")
second["A1"] = "tulip"
# The workbook lists "Garden" first although its sheet file comes second.
book.move_sheet("Garden", offset=-1)
book.save(os.path.join(tree, "pantry.xlsx"))

def slide(name, text):
    return ('<?xml version="1.0" encoding="UTF-8"?><p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
            'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld' +
            (' name="%s"' % name if name else '') + '><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>' + text +
            '</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>')
with zipfile.ZipFile(os.path.join(tree, "talk.pptx"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr("ppt/presentation.xml", '<?xml version="1.0"?><p:presentation xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" '
               'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><p:sldIdLst>'
               '<p:sldId id="256" r:id="rId3"/><p:sldId id="257" r:id="rId2"/></p:sldIdLst></p:presentation>')
    z.writestr("ppt/_rels/presentation.xml.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId2" Type="slide" Target="slides/slide1.xml"/>'
               '<Relationship Id="rId3" Type="slide" Target="slides/slide2.xml"/></Relationships>')
    z.writestr("ppt/slides/slide1.xml", slide("", "thunder"))
    z.writestr("ppt/slides/slide2.xml", slide("Welcome", "sunrise"))

with zipfile.ZipFile(os.path.join(tree, "stock.ods"), "w") as z:
    z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
    z.writestr("content.xml", '<?xml version="1.0"?><office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>'
               '<table:table table:name="Cellar"><table:table-row><table:table-cell><text:p>barrel</text:p>'
               '</table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>'
               '</office:document-content>')

# Damaged: a package without spine, beside its good pages.
with zipfile.ZipFile(os.path.join(tree, "nospine.epub"), "w") as z:
    z.writestr("mimetype", "application/epub+zip")
    z.writestr("META-INF/container.xml", '<container><rootfiles><rootfile full-path="content.opf"/></rootfiles></container>')
    z.writestr("content.opf", '<package><manifest><item id="a" href="a.xhtml"/></manifest></package>')
    z.writestr("a.xhtml", '<html><body><p>falcon</p></body></html>')
PYTHON
# Damaged: a zip cut in half, and an RTF whose groups are never closed.
head -c "$(( $(stat -c %s "$tree/story.epub") / 2 ))" "$tree/story.epub" >"$tree/cut.epub"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\b meadowlark {\\i glacier' >"$tree/open.rtf"

markup_words="xmlns fonttbl colortbl stylesheet rsid xhtml openxmlformats"
"$vedra" --workdir "$tmp/w" create books --more-types >/dev/null 2>&1 || fail "create --more-types"
"$vedra" --workdir "$tmp/w" roots add $body_words pepper garlic onion tulip kitchen garden thunder sunrise welcome \
  barrel cellar falcon glacier $markup_words >/dev/null 2>&1 || fail "roots add"
"$vedra" --workdir "$tmp/w" index --unpack "$tree" >"$tmp/out" 2>&1 || fail "index stopped: $(cat "$tmp/out")"

search_paths() { "$vedra" --workdir "$tmp/w" search "$1" 2>/dev/null | cut -f1; }

for type in epub docx odt rtf; do
  for word in $body_words; do
    grep -qF "$tree/story.$type" <<<"$(search_paths "$word")" || fail "$word not found in story.$type"
  done
done
for word in $markup_words; do
  [ -z "$(search_paths "$word")" ] || fail "markup word $word found: $(search_paths "$word" | tr '\n' ' ')"
done
for pair in pantry.xlsx:pepper pantry.xlsx:garlic pantry.xlsx:onion pantry.xlsx:tulip pantry.xlsx:kitchen \
  pantry.xlsx:garden talk.pptx:thunder talk.pptx:sunrise talk.pptx:welcome stock.ods:barrel stock.ods:cellar \
  nospine.epub:falcon open.rtf:glacier open.rtf:meadowlark; do
  grep -qF "$tree/${pair%%:*}" <<<"$(search_paths "${pair#*:}")" || fail "${pair#*:} not found in ${pair%%:*}"
done
# The RTF is read as its text: one row, the file itself.
[ "$(search_paths lantern | grep -c 'story.rtf')" = 1 ] || fail "story.rtf rows: $(search_paths lantern)"

# The previews, in the reader's order: the epub's chapters, the workbook's list
# of sheets with each name above its cells, the presentation's list of slides.
order() { # label first-word second-word
  local shown
  shown=$("$vedra" --workdir "$tmp/w" show "$1" "$2" 2>&1 | tr '\n' ' ')
  [[ $shown == *"$2"*"$3"* ]] || fail "$1: $2 does not come before $3: ${shown:0:300}"
}
order "$tree/story.epub » text.xhtml" lantern village
order "$tree/pantry.xlsx » text.txt" Garden Kitchen
order "$tree/pantry.xlsx » text.txt" tulip pepper
order "$tree/talk.pptx » text.txt" Welcome thunder
order "$tree/talk.pptx » text.txt" sunrise thunder

[ -z "$(find "$tree" -name '*_vedratemp*')" ] || fail "unpack folders left: $(find "$tree" -name '*_vedratemp*')"

# A default archive keeps reading an .epub by its name only.
"$vedra" --workdir "$tmp/w" create plain >/dev/null 2>&1 || fail "create plain"
"$vedra" --workdir "$tmp/w" roots add $body_words >/dev/null 2>&1
"$vedra" --workdir "$tmp/w" index --unpack "$tree" >/dev/null 2>&1 || fail "plain index"
search_paths lantern | grep -q "story.epub" && fail "a default archive read the e-book"

if [ $failures -eq 0 ]; then echo "1 passed, 0 failed"; exit 0; fi
echo "0 passed, 1 failed"; exit 1
