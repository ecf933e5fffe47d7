#!/usr/bin/env bash
# Mutation check: breaks the program on purpose, one change at a time, in a scratch copy of
# the working tree, and runs the tests that should notice. Each change is a file, an exact
# text that must occur there once, and its replacement. Prints "caught" or "SURVIVED" per
# change and ends with "N of M mutations caught". Takes a while (two builds, then one
# incremental build and one test run per change), so it is not part of tools/test.sh.
#
#   bash tools/mutate.sh            every mutation
#   bash tools/mutate.sh NAME...    only the named ones
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/mutate
src=$work/src
jobs=${PIXOLVE_JOBS:-2}
run_timeout=${PIXOLVE_MUTATE_TIMEOUT:-300}

# Windows tests need a display; one virtual display serves the whole run.
if [ -z "${DISPLAY:-}" ] && [ -z "${PIXOLVE_MUTATE_IN_XVFB:-}" ]; then
  PIXOLVE_MUTATE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

# Test filters: the suites that guard each part.
decode='Decode*:ReadBuffer*:Depth*:Dxt1*:Unpack*:LargePicture*'
view='ImageViewTest.*'
loop='RunMainFrame.*:MessageLoop.*:DialogFilter.*:FrameTest.TheRealLoop*:FrameTest.Registers*:FrameTest.Accelerators*'
modal='FrameTest.OpenFile*:FrameTest.NotImplemented*:FrameTest.OpenCommand*:FrameTest.Undo*'
params='Param*'
resources='Resources.*'
cli='Cli*'
guess='GuessLayout.*:PictureRegions.*:GuessCommand.*:GuessCorpus.PhotographInEveryForm:GuessCorpus.SmallBitmapOfADrawing:GuessCorpus.SmallTextureBehindItsHeader:GuessCorpus.SmallDitheredDrawing:GuessCorpus.GrainyTexture:GuessCorpus.TinyPhotographEndsWithTheFile:GuessCorpus.WrongStrideDoesNotSkipRowsToEndWithTheFile:GuessCorpus.BusyMiddleOfABitmapIsNoPictureOfItsOwn'

# name | configuration | test filter | file | exact text | replacement
# In the texts, \n stands for a line break; a text cannot hold '|'. Lines starting with
# '#' are comments.
mutations() {
  cat <<'EOF'
refill-leftover-off-by-one|native|DECODE|decode/read_buffer.cpp|std::memmove(m_buffer, m_buffer + m_begin, rest);|std::memmove(m_buffer, m_buffer + m_begin + 1, rest);
refill-drops-last-leftover-byte|native|DECODE|decode/read_buffer.cpp|    m_end = rest;|    m_end = rest == 0 ? 0 : rest - 1;
unpack-blue-off-by-one|native|DECODE|decode/pixel_convert.h|fields.blue.Apply(v) << 16;|fields.blue.Apply(v) << 15;
pixel-order-not-swapped|native|DECODE|decode/pixel_convert.h|return {fields.blue, fields.green, fields.red};|return {fields.red, fields.green, fields.blue};
byte-order-green-not-compared|native|DECODE|decode/pixel_convert.cpp|shift[ChannelR] == red && shift[ChannelG] == green && shift[ChannelB] == blue;|shift[ChannelR] == red && shift[ChannelB] == blue;
byte-order-red-not-compared|native|DECODE|decode/pixel_convert.cpp|shift[ChannelR] == red && shift[ChannelG] == green && shift[ChannelB] == blue;|shift[ChannelG] == green && shift[ChannelB] == blue;
byte-order-blue-not-compared|native|DECODE|decode/pixel_convert.cpp|shift[ChannelR] == red && shift[ChannelG] == green && shift[ChannelB] == blue;|shift[ChannelR] == red && shift[ChannelG] == green;
row-pairs-for-every-format|native|DECODE|decode/decoder.cpp|} else if (doc.m_depth == Depth1 && doc.m_width == 4) {|} else if (doc.m_width == 4) {
dxt1-endpoints-read-as-bytes|native|DECODE|decode/pixel_convert.cpp|doc.m_depth == DepthDXT1;\n    const uint8_t* bits|doc.m_depth == Depth16;\n    const uint8_t* bits
bit-order-swap-field-ignored|native|DECODE|decode/pixel_convert.cpp|const unsigned firstBit = doc.m_swapField ? 4 : 0;|const unsigned firstBit = 0;
nibble-order-big-endian-ignored|native|DECODE|decode/pixel_convert.cpp|const unsigned firstShift = rules.bigEndian ? 4 : 0;|const unsigned firstShift = 0;
standard-shifts-dxt1-as-bytes|native|CLI|decode/presets.cpp|if (depth != Depth16 && depth != DepthDXT1) return|if (depth != Depth16) return
field-rule-no-scaling-up|native|DECODE|decode/field_rule.h|return {shift, mask, bits < 8 ? 8u - bits : 0u, dropped};|return {shift, mask, 0u, dropped};
dxt1-shuffle-thirds-rounded|native|DECODE|decode/dxt1.cpp|_mm_set1_epi16(21846)|_mm_set1_epi16(21845)
dxt1-three-colours-on-equal|native|DECODE|decode/dxt1.cpp|LoadSixteen(block, endpoints.bigEndian) > LoadSixteen(block + 2, endpoints.bigEndian);\n    // Picked|LoadSixteen(block, endpoints.bigEndian) >= LoadSixteen(block + 2, endpoints.bigEndian);\n    // Picked
stop-negative-offset-ignored|native|DECODE|decode/decoder.cpp|    if (!fileops::SeekFromStart(doc.m_hFile, doc.m_offset)) return;|    fileops::SeekFromStart(doc.m_hFile, doc.m_offset);
# Expected to survive: on a file that does not grow while it is decoded, a read at or past
# its end brings nothing, so the picture stays black with or without this stop.
stop-offset-past-end-ignored|native|DECODE|decode/decoder.cpp|    if (doc.m_offset >= size) return;|    if (doc.m_offset > size + 1) return;
stop-empty-height-ignored|native|DECODE|decode/decoder.cpp|doc.m_height == 0) return;|doc.m_height + 1 == 0) return;
stop-partial-unit-shown|native|DECODE|decode/decoder.cpp|const size_t buffered = m_reader.Fill(m_unitBytes) / m_unitBytes;|const size_t buffered = (m_reader.Fill(m_unitBytes) + m_unitBytes - 1) / m_unitBytes;
stop-after-last-row-ignored|native|DECODE|decode/decoder.cpp|        if (counter == 0) return;\n        if (!cursor.SkipPad(linePad)) return;|        if (counter == 0 && picture.height > 1) return;\n        if (!cursor.SkipPad(linePad)) return;
stop-row-pairs-after-first-half|native|DECODE|decode/decoder.cpp|            StoreBitPixels(bits, 4, picture.RowOfCounter(counter));\n            if (counter-- == 0) return;|            StoreBitPixels(bits, 4, picture.RowOfCounter(counter));\n            if (counter == 0) return;\n            --counter;\n            if (counter == 0) return;
stop-buffered-rows-miscounted|native|DECODE|decode/decoder.cpp|counter -= static_cast<uint32_t>(rows - 1);|counter -= static_cast<uint32_t>(rows > 1 ? rows - 2 : 0);
view-keeps-bitmap-of-other-height|win64|VIEW|view/pixolve_view.cpp|m_doc->m_height == m_cacheHeight;|true;
view-new-document-keeps-cache|win64|VIEW|view/pixolve_view.cpp|    m_paramDlg.DestroyWindow();\n    FreeCache();|    m_paramDlg.DestroyWindow();\n    if (!m_doc) FreeCache();
view-free-cache-leaks-bitmap|win64|VIEW|view/pixolve_view.cpp|    ::DeleteObject(section);\n    m_memDC = nullptr;|    m_memDC = nullptr;
view-free-cache-deletes-selected-bitmap|win64|VIEW|view/pixolve_view.cpp|    HGDIOBJ section = ::SelectObject(m_memDC, m_memDCOriginalBitmap);\n    ::DeleteDC(m_memDC);\n    ::DeleteObject(section);|    HGDIOBJ section = ::GetCurrentObject(m_memDC, OBJ_BITMAP);\n    ::DeleteObject(section);\n    ::DeleteDC(m_memDC);
view-free-cache-leaks-context|win64|VIEW|view/pixolve_view.cpp|    ::DeleteDC(m_memDC);\n    ::DeleteObject(section);|    ::DeleteObject(section);
run-dialog-filter-after-frame|win64|LOOP|app/app.cpp|if (frame.CreateEx(nullptr, &placement) != nullptr) {|if (frame.CreateEx(nullptr, &placement) != nullptr && loop.RemoveMessageFilter(&g_dialogFilter) && loop.AddMessageFilter(&g_dialogFilter)) {
loop-idle-after-every-message|win64|LOOP|framework/message_loop.cpp|        if (IsIdleMessage(m_msg)) {|        if (m_msg.message != WM_QUIT) {
loop-on-idle-returns-true|win64|LOOP|framework/message_loop.cpp|        if (handler != nullptr) handler->OnIdle();\n    }\n    return FALSE;|        if (handler != nullptr) handler->OnIdle();\n    }\n    return TRUE;
loop-filters-first-registered-first|win64|LOOP|framework/message_loop.cpp|    for (size_t i = m_aMsgFilter.size(); i-- > 0;) {\n        if (i >= m_aMsgFilter.size()) continue;\n        CMessageFilter* filter = m_aMsgFilter[i];|    for (size_t i = 0; i < m_aMsgFilter.size(); ++i) {\n        CMessageFilter* filter = m_aMsgFilter[i];
open-dialog-flags|win64|MODAL|frame/main_frame.cpp|OFN_FILEMUSTEXIST|0
open-dialog-pattern|win64|MODAL|frame/main_frame.cpp|L"All files\0*.*\0"|L"All files\0*\0"
not-implemented-icon|win64|MODAL|frame/main_frame.cpp|MB_ICONINFORMATION|MB_ICONWARNING
dialog-destroy-leaves-updating-clear|win64|PARAMS|params/param_dlg.cpp|    m_updating = true;  // left set|    m_updating = false;  // left set
trackbar-divide-first|win64|PARAMS|params/param_numbers.cpp|std::trunc(static_cast<double>(value) * top /\n                                       static_cast<double>(fileSize));|std::trunc(static_cast<double>(value) / static_cast<double>(fileSize) * top);
presets-order-checks-swapped|win64|PARAMS|params/param_dlg.cpp|        if (isBgra && IsChecked(IDC_ORDER_BGRA)) {\n            choice = IDC_ORDER_BGRA;\n        } else if (isRgba) {\n            choice = IDC_ORDER_RGBA;|        if (isRgba) {\n            choice = IDC_ORDER_RGBA;\n        } else if (isBgra && IsChecked(IDC_ORDER_BGRA)) {\n            choice = IDC_ORDER_BGRA;
presets-kept-check-of-other-radio|win64|PARAMS|params/param_dlg.cpp|if (isBgra && IsChecked(IDC_ORDER_BGRA)) {|if (isBgra && IsChecked(IDC_ORDER_RGBA)) {
trackbar-thumb-not-kept|win64|PARAMS|params/param_dlg.cpp|    ::SendMessageW(trackbar, TBM_SETPOS, TRUE, position);|
trackbar-end-of-tracking-applies|win64|PARAMS|params/param_dlg.cpp| code == TB_ENDTRACK) return 1;| code == 0xFFFF + 1) return 1;
trackbar-step-shows-same-number|win64|PARAMS|params/param_dlg.cpp|    if (direction == 0) return position;|    if (true) return position;
trackbar-step-goes-on-the-wrong-way|win64|PARAMS|params/param_dlg.cpp|        case TB_PAGEUP:\n            return -1;|        case TB_PAGEUP:\n            return 1;
rewritten-edit-not-selected|win64|PARAMS|params/param_dlg.cpp|        ::SendMessageW(edit, EM_SETSEL, 0, -1);|
unfocused-rewritten-edit-selected|win64|PARAMS|params/param_dlg.cpp|if (edit == ::GetFocus() && WindowText(edit) != typed) {|if (WindowText(edit) != typed) {
custom-entries-read-by-platform|win64|PARAMS|params/param_dlg.cpp|    return ParseSignedNumber(WindowText(GetDlgItem(editId)).c_str());|    return static_cast<int32_t>(::GetDlgItemInt(m_hWnd, editId, nullptr, TRUE));
about-icon-without-size|win64|RESOURCES|res/pixolve.rc|    CONTROL IDR_MAINFRAME, -1, "Static", SS_ICON, 55, 26, 20, 20|    ICON IDR_MAINFRAME, -1, 55, 26, 20, 20
version-record-not-the-projects|win64|RESOURCES|res/pixolve.rc|FILEVERSION PIXOLVE_VERSION_MAJOR, PIXOLVE_VERSION_MINOR, PIXOLVE_VERSION_PATCH, PIXOLVE_VERSION_TWEAK|FILEVERSION PIXOLVE_VERSION_MAJOR, PIXOLVE_VERSION_MINOR, PIXOLVE_VERSION_PATCH, 0
version-text-not-the-projects|native|CLI|cli/options.cpp|"pixolve-render " PIXOLVE_VERSION_TEXT|"pixolve-render 1.1.0"
version-option-shows-help|native|CLI|cli/options.cpp|return VersionText();|return UsageText();
output-device-renamed-over|native|CLI|cli/platform_files_posix.cpp|    if (!S_ISREG(info.st_mode)) {|    if (false) {
output-hard-links-ignored|native|CLI|cli/platform_files_posix.cpp|    target.sharedByLinks = info.st_nlink > 1;|    target.sharedByLinks = false;
output-mode-not-kept|native|CLI|cli/platform_files_posix.cpp|    ::fchmod(::fileno(file), mode);|    (void)mode;
output-reason-lost|native|CLI|cli/platform_files_posix.cpp|std::string LastRuntimeError() { return errno != 0 ? ErrorText(errno) : "write error"; }|std::string LastRuntimeError() { return "write error"; }
guess-sheared-readings-not-penalized|native|GUESS|guess/ranking.cpp|        if (beside > kShearMargin * own) s.cost +=|        if (false) s.cost +=
guess-shear-compared-one-pixel-only|native|GUESS|guess/family.cpp|std::max<uint64_t>(1, kBesideReach / grain)};|uint64_t{1}};
guess-part-rows-not-penalized|native|GUESS|guess/cost.cpp|!EndsWithFile(layout, evidence.sample.FileSize())) penalty += kPartRowPenalty;|false) penalty += kPartRowPenalty;
guess-lag-profile-few-runs|native|GUESS|guess/lag_profile.cpp|runBytes == size ? 1 : kLagRuns;|runBytes == size ? 1 : 16;
guess-smooth-bytes-read-as-channels|native|GUESS|guess/family_rgb.cpp|if ((pattern.smooth && m_depth != Depth24)|if ((false && m_depth != Depth24)
guess-sixteen-bit-fields-coded-apart|native|GUESS|guess/family_rgb.cpp|    bool ChannelsAlike() const override { return true; }|    bool ChannelsAlike() const override { return m_depth != Depth16; }
guess-field-residuals-not-scaled|native|GUESS|guess/cost.cpp|ScaledResidual(previousChannel->values[i], previousBits, bits)|previousChannel->values[i]
guess-nibbles-of-values-read-as-pixels|native|GUESS|guess/family_4bit.cpp|NibblesDiffer(BitChanges(evidence, stride))|false
guess-bit-places-of-values-read-as-pixels|native|GUESS|guess/family_1bit.cpp|BitPlacesDiffer(BitChanges(evidence, stride))|false
guess-no-start-a-row-earlier|native|GUESS|guess/family.cpp|    if (start >= stride) starts.push_back(start - stride);|    if (false) starts.push_back(start - stride);
guess-header-bytes-not-paid-for|native|GUESS|guess/cost.cpp|    if (!sample.IsWholeFile()) return pictureBitsPerByte;|    return pictureBitsPerByte;
guess-few-blocks-one-start-only|native|GUESS|guess/family_dxt1.cpp|        if (!evidence.hints.offset && evidence.blocks.Evident() && fileSize <= static_cast<int64_t>(8 * kFewBlocks)) {|        if (false) {
guess-few-blocks-start-given-ignored|native|GUESS|guess/family_dxt1.cpp|        if (!evidence.hints.offset && evidence.blocks.Evident()|        if (evidence.blocks.Evident()
guess-small-files-not-read-bit-by-bit|native|GUESS|guess/family_packed.cpp|fileSize <= kSmallFile;|false;
guess-weak-block-dips-not-tried|native|GUESS|guess/family_dxt1.cpp|    } else if (brightness.size() <= kWeakDipBlocks) {|    } else if (false) {
guess-file-end-not-trusted|native|GUESS|guess/start.cpp|    if (!edges.trailer) {|    if (false) {
guess-trailer-not-seen|native|GUESS|guess/start.cpp|    return EdgeLength<true>(bytes, stride) != 0;|    return false;
guess-file-end-pulls-start-far|native|GUESS|guess/start.cpp|static_cast<int64_t>(stride) / 3, kEndTolerance); }|static_cast<int64_t>(stride) / 3, 64); }
guess-no-glyph-rows-of-a-byte|native|GUESS|guess/strides.h|constexpr uint64_t kMinStride = 1;|constexpr uint64_t kMinStride = 2;
guess-glyph-tables-pay-for-their-aspect|native|GUESS|guess/cost.cpp|    if (!glyphTable) penalty +=|    penalty +=
guess-glyph-rows-taken-for-pixel-width|native|GUESS|guess/family_packed.cpp| && !glyphRows) penalty += 1;|) penalty += 1;
guess-steady-byte-not-last-in-pixel|native|GUESS|guess/family_rgb.cpp|const int lane = evidence.bytePattern.steadyLane;|const int lane = -1;
guess-text-header-not-read|native|GUESS|guess/start.cpp|    if (edges.headerEnd == 0) edges.headerEnd = evidence.textHeaderEnd;|    if (false) edges.headerEnd = evidence.textHeaderEnd;
guess-file-end-start-unbounded|native|GUESS|guess/start.cpp|        if (start <= headerEnd + kLongestHeaderTail) return start;|        return start;
guess-binary-context-misses-up-right|native|GUESS|guess/family_1bit.cpp|value(up, x + 2) << 2;|0u;
guess-last-reading-never-costed|native|GUESS|guess/parallel.h|for (size_t i = next++; i < count; i = next++) work(i);|for (size_t i = next++; i + 1 < count; i = next++) work(i);
guess-span-text-not-foreign|native|GUESS|guess/region.cpp|    if (LooksLikeText(counts)) return BlockKind::Foreign;|    if (false) return BlockKind::Foreign;
guess-span-readings-ignored|native|GUESS|guess/pipeline.cpp|        if (judge.Admits(reading)) scored.push_back(reading);|        if (false) scored.push_back(reading);
guess-span-header-against-next-row|native|GUESS|guess/start.cpp|const Climbs head = EdgeClimbs<false>(bytes, stride, true, grain);|const Climbs head = EdgeClimbs<false>(bytes, stride, false, grain);
guess-span-rows-going-on-ignored|native|GUESS|guess/pipeline.cpp|        return LinesUpAt(m_bytes, begin, end, stride, begin == 0);|        return false;
guess-span-packed-pixels-read|native|GUESS|guess/evidence.cpp|valuePixelsOnly(part == Part::PictureSpan)|valuePixelsOnly(false)
guess-header-bmp-height-unsigned|native|GUESS|guess/headers.cpp|int64_t{static_cast<int32_t>(h.Little(22, 4))}|int64_t{h.Little(22, 4)}
guess-header-bmp-compressed-read|native|GUESS|guess/headers.cpp|(compression != 0 && !bitFields)|false
guess-header-rows-past-end|native|GUESS|guess/headers.cpp|rows - 1 > (size - offset - rowBytes) / stride|false
guess-header-tga-any-length|native|GUESS|guess/headers.cpp|const bool endsWithPixels = end == size|const bool endsWithPixels = end <= size
guess-header-tga-footer-ignored|native|GUESS|guess/headers.cpp|(end + 8 + kSignature.size() <= size && h.EndsWith(kSignature))|false
guess-header-xwd-colour-map-kept|native|GUESS|guess/headers.cpp|headerSize + uint64_t{12} * field(19)|headerSize
guess-header-netpbm-wide-values|native|GUESS|guess/headers.cpp|*largest > 255|*largest > 65535
guess-header-hints-ignored|native|GUESS|guess/pipeline.cpp|if (!Allowed(layout.shape, hints) |if (false && !Allowed(layout.shape, hints) 
guess-archive-member-ignored|native|GUESS|guess/evidence.cpp|member = ArchiveMember(sample.Head().bytes, pictureSpan)|member = std::optional<ByteSpan>{}
guess-archive-member-rows-going-on|native|GUESS|guess/pipeline.cpp|        if (m_spanIsMember) return true;|        if (false) return true;
guess-archive-checksum-ignored|native|GUESS|guess/headers.cpp|    return recorded && *recorded == sum;|    return true;
guess-archive-member-header-ignored|native|GUESS|guess/pipeline.cpp|!evidence.spanIsMember) return header;|true) return header;
guess-one-bit-nibble-groups-ignored|native|GUESS|guess/family_1bit.cpp|ComeInGroups(evidence, 1);|false;
guess-four-bit-byte-groups-ignored|native|GUESS|guess/family_4bit.cpp|ComeInGroups(evidence, 4);|false;
guess-dark-edge-read-as-pad|native|GUESS|guess/shapes.cpp|        return s.padFromZeros && s.linePad > 0 && FamilyOf(s.depth).PixelsPerByte() == 0 &&|        return false && s.padFromZeros && s.linePad > 0 && FamilyOf(s.depth).PixelsPerByte() == 0 &&
guess-dark-edge-rows-start-anywhere|native|GUESS|guess/shapes.cpp|            s.rowStart = static_cast<int64_t>(columns.zeroRunEnd);|            s.rowStart = -1;
guess-two-level-edges-ignored|native|GUESS|guess/family_rgb.cpp|EdgesInsidePixels(pattern, m_bytes)) penalty|false) penalty
guess-file-start-not-tried|native|GUESS|guess/family.cpp|if (evidence.endIsFileEnd && start > textEnd|if (false && start > textEnd
guess-shear-rows-matching-ignored|native|GUESS|guess/ranking.cpp|profile->At(other) <= profile->At(stride);|true;
guess-shear-boundary-in-most-rows-ignored|native|GUESS|guess/ranking.cpp|const bool boundary = inMostRows >= kClearSeam &&|const bool boundary = false &&
guess-span-start-by-row-boundary|native|GUESS|guess/start.cpp|    if (tail == head) return head;|    if (boundary) return *boundary;\n    if (tail == head) return head;
guess-span-ends-not-joined|native|GUESS|guess/start.cpp|.value_or(edges.headerEnd);|.value_or(edges.headEdge);
guess-span-text-tail-trusted|native|GUESS|guess/start.cpp|    if (boundary && (boundary == head |    if (false && (boundary == head 
guess-span-start-not-before-head|native|GUESS|guess/start.cpp|edges.headEdge - (s - 1)|edges.headEdge - 16
guess-span-flat-only-zeros|native|GUESS|guess/region.cpp|size - *std::max_element(counts.begin(), counts.end())|size - counts[0]
guess-unused-bits-after-a-fade|native|GUESS|guess/shapes.cpp|    return columnShare < kFadingShare * meanShare;|    return false;
guess-glyph-tables-of-any-length|native|GUESS|guess/cost.cpp|kGlyphTableMaxRows = uint64_t{1} << 14;|kGlyphTableMaxRows = uint64_t{1} << 16;
guess-bit-places-twice-as-often|native|GUESS|guess/family_1bit.cpp|kBitPlaceRatio = 1.75;|kBitPlaceRatio = 2;
guess-activity-without-up-right|native|GUESS|guess/cost.cpp|std::abs(up - upLeft) + std::abs(upRight - up);|std::abs(up - upLeft);
guess-bit-places-at-the-reading-stride-only|native|GUESS|guess/family_1bit.cpp|(rows != 0 && BitPlacesDiffer(BitChanges(evidence, rows)))|false
guess-unsure-span-start-kept-confident|native|GUESS|guess/start.cpp|return unsure ? kUnsureSpanStart : 1;|return 1;
guess-whole-row-headers-kept|native|GUESS|guess/start.cpp|(start - top) / s <= kMaxTopRows) return top;|(start - top) / s <= kMaxTopRows) return start;
guess-smooth-grey-read-as-24-bit|native|GUESS|guess/family_rgb.cpp|StepsAlikeInThreeBytePixels(pattern));|false);
guess-repeating-columns-ignored-when-dearer|native|GUESS|guess/ranking.cpp|if (narrowDearer && repeat != Repeat::Repeats) continue;|if (narrowDearer) continue;
guess-two-level-repeats-penalized-when-dearer|native|GUESS|guess/ranking.cpp|if (narrowDearer && twoLevel) continue;|
guess-widest-pixel-period-kept|native|GUESS|guess/evidence.cpp|ratio(lag) <= kPeriodMultipleSlack * best) return lag;|ratio(lag) <= best) return lag;
guess-span-edges-by-row-alone|native|GUESS|guess/start.cpp|const uint64_t grain = std::max<uint32_t>(1, pixelBytes);|const uint64_t grain = 0;
guess-span-climbs-summed-unweighed|native|GUESS|guess/start.cpp|head.after[static_cast<size_t>(start - 1)] / head.margin +|head.after[static_cast<size_t>(start - 1)] +
guess-span-start-near-head-only|native|GUESS|guess/start.cpp|start < edges.headEdge + s; ++start) {|start <= edges.headEdge + 16; ++start) {
input-stdin-position-ignored|native|CLI|cli/platform_files_posix.cpp|S_ISREG(info.st_mode) && ::lseek(file, 0, SEEK_CUR) == 0;|S_ISREG(info.st_mode);
EOF
}

filter_for() {
  case $1 in
    DECODE) echo "$decode" ;; VIEW) echo "$view" ;; LOOP) echo "$loop" ;;
    MODAL) echo "$modal" ;; PARAMS) echo "$params" ;; RESOURCES) echo "$resources" ;;
    CLI) echo "$cli" ;; GUESS) echo "$guess" ;;
  esac
}

# Replaces the one occurrence of `text` in `file`; fails when it is not there exactly once.
apply_mutation() {  # file text replacement
  python3 - "$@" <<'PY'
import sys
path, text, replacement = sys.argv[1:4]
text = text.replace('\\n', '\n')
replacement = replacement.replace('\\n', '\n')
source = open(path, encoding='utf-8').read()
if source.count(text) != 1:
    sys.exit(f'{path}: the text occurs {source.count(text)} times')
open(path, 'w', encoding='utf-8').write(source.replace(text, replacement))
PY
}

# Brings the scratch copy up to the working tree's tracked files. Only files whose bytes
# differ are written, and they get a new time, so that the builds redo exactly what changed
# (a file left mutated by an interrupted run included).
copy_tree() {
  mkdir -p "$src"
  git ls-files -z | python3 -c '
import os, shutil, sys
source, target = sys.argv[1:3]
for name in sys.stdin.read().split("\0"):
    if not name:
        continue
    old, new = os.path.join(source, name), os.path.join(target, name)
    if not os.path.isfile(old):
        continue
    if os.path.isfile(new) and open(old, "rb").read() == open(new, "rb").read():
        continue
    os.makedirs(os.path.dirname(new), exist_ok=True)
    shutil.copyfile(old, new)
    shutil.copymode(old, new)
' "$root" "$src"
}

configure() {  # configuration
  case $1 in
    native) [ -f "$work/native/build.ninja" ] ||
      cmake -S "$src" -B "$work/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXOLVE_BENCH=OFF >/dev/null ;;
    win64) [ -f "$work/win64/build.ninja" ] ||
      cmake -S "$src" -B "$work/win64" -G Ninja \
        --toolchain "$src/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null ;;
  esac
}

build() {  # configuration
  case $1 in
    native) cmake --build "$work/native" -j "$jobs" --target pixolve_tests ;;
    win64) cmake --build "$work/win64" -j "$jobs" --target pixolve_win_tests ;;
  esac
}

run_tests() {  # configuration filter
  case $1 in
    native) timeout "$run_timeout" "$work/native/tests/pixolve_tests" --gtest_filter="$2" ;;
    # A crash ends the run at once instead of waiting in Wine's debugger.
    win64) (cd "$work/win64" &&
      WINEPREFIX="$work/win64/wineprefix-tests" PIXOLVE_WINE_UNMANAGED=1 \
        WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" \
        timeout "$run_timeout" bash "$src/tools/wine-run.sh" tests/pixolve_win_tests.exe \
        --gtest_filter="$2") ;;
  esac
}

wanted() {  # name, then the names asked for
  local name=$1; shift
  [ $# -eq 0 ] && return 0
  for asked in "$@"; do [ "$asked" = "$name" ] && return 0; done
  return 1
}

copy_tree
# A run stopped while a change was applied leaves objects built from it: rebuild that file.
if [ -f "$work/applied" ]; then
  touch "$src/$(cat "$work/applied")"
  rm -f "$work/applied"
fi
mkdir -p "$work/logs"
total=0
caught=0
survivors=()
declare -A ready=()
while IFS='|' read -r name config suite file text replacement; do
  [[ $name == \#* ]] && continue
  wanted "$name" "$@" || continue
  log=$work/logs/$name.log
  if [ -z "${ready[$config]:-}" ]; then
    echo "building the $config configuration of the unchanged copy..."
    if ! configure "$config" || ! build "$config" >"$work/logs/$config-base.log" 2>&1 ||
       ! run_tests "$config" "$(filter_for "$suite")" >"$work/logs/$config-base-tests.log" 2>&1; then
      echo "the unchanged copy does not build or pass in $config; see $work/logs" >&2
      exit 2
    fi
    ready[$config]=1
  fi
  total=$((total + 1))
  cp "$root/$file" "$src/$file"
  echo "$file" >"$work/applied"
  if ! apply_mutation "$src/$file" "$text" "$replacement" >"$log" 2>&1; then
    echo "BAD       $name: $(cat "$log")"
    survivors+=("$name (not applied)")
    rm -f "$work/applied"
    continue
  fi
  if ! build "$config" >>"$log" 2>&1; then
    echo "BAD       $name: does not build (see $log)"
    survivors+=("$name (does not build)")
  elif run_tests "$config" "$(filter_for "$suite")" >>"$log" 2>&1; then
    echo "SURVIVED  $name"
    survivors+=("$name")
  else
    echo "caught    $name"
    caught=$((caught + 1))
  fi
  cp "$root/$file" "$src/$file"
  rm -f "$work/applied"
done < <(mutations)

# Leave the copy unchanged and built, so that the next run starts incremental.
for config in "${!ready[@]}"; do build "$config" >/dev/null 2>&1; done
echo
[ ${#survivors[@]} -gt 0 ] && printf 'not caught: %s\n' "${survivors[@]}"
echo "$caught of $total mutations caught"
[ "$caught" -eq "$total" ]
