#include "bitmap/format.h"

#include <cstdlib>

#include "util/little_endian.h"

namespace velta::bitmap {

namespace {

// A refusal for damage or for a size the program cannot hold.
LayoutResult refuse(const std::string& reason) {
    LayoutResult r;
    r.error = refusalText(reason);
    return r;
}

// A refusal of a file of another kind, which the colour road may still read.
LayoutResult refuseKind(const std::string& reason) {
    LayoutResult r = refuse(reason);
    r.outsideFormat = true;
    return r;
}

// Why a file is not an uncompressed 8-bit bitmap with a known information header, judged from
// its first bytes: the reason, and whether the file is of another kind (rather than too short to
// say). No reason when it is such a bitmap.
struct KindProblem {
    std::string reason;
    bool otherKind = false;
};

KindProblem kindProblem(std::span<const std::uint8_t> head) {
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M')
        return {"Il file non comincia con la firma \"BM\" di una bitmap.", true};
    if (head.size() < 18) return {"Il file è troppo corto per essere una bitmap."};

    const std::uint32_t infoSize = le::u32(head, 14);
    if (infoSize == 12 || infoSize == 16 || infoSize == 64)
        return {"Le bitmap in formato OS/2 non sono accettate.", true};
    if (infoSize != 40 && infoSize != 108 && infoSize != 124)
        return {"L'intestazione di " + std::to_string(infoSize) + " byte non è di un tipo conosciuto.", true};
    if (head.size() < headerBytes) return {"Il file è troppo corto per la sua intestazione."};

    const std::uint32_t bitCount = le::u16(head, 28);
    if (bitCount != 8) return {"L'immagine ha " + std::to_string(bitCount) + " bit per pixel invece di 8.", true};
    if (le::u32(head, 30) != 0) return {"L'immagine è compressa.", true};
    return {};
}

}  // namespace

std::string refusalText(const std::string& reason) {
    return "Sono accettate solo bitmap a 256 colori non compresse, larghe fino a 3000 pixel.\n" +
           reason;
}

LayoutResult parseLayout(std::span<const std::uint8_t> head, std::uint64_t fileLength) {
    // Never look past what the caller holds, nor past the file itself.
    if (head.size() > fileLength) head = head.first(static_cast<std::size_t>(fileLength));
    if (const KindProblem problem = kindProblem(head); !problem.reason.empty())
        return problem.otherKind ? refuseKind(problem.reason) : refuse(problem.reason);

    // A picture wider than a row record is of another kind; one with no width is damaged.
    const std::int64_t width = le::i32(head, 18);
    if (width < 1 || width > maxWidth) {
        const std::string reason =
            "La larghezza di " + std::to_string(width) + " pixel è fuori dall'intervallo da 1 a 3000.";
        return width > maxWidth ? refuseKind(reason) : refuse(reason);
    }
    const std::int64_t storedHeight = le::i32(head, 22);
    if (storedHeight == 0) return refuse("L'altezza dell'immagine è zero.");
    const std::int64_t height = std::llabs(storedHeight);  // fits: the value came from 32 bits
    if (height > maxHeight)
        return refuse("L'altezza di " + std::to_string(height) + " pixel supera 32767.");

    const std::uint32_t clrUsed = le::u32(head, 46);
    if (clrUsed > 256)
        return refuse("La tavolozza dichiara " + std::to_string(clrUsed) +
                      " colori, più di 256.");
    const std::uint32_t entries = clrUsed == 0 ? 256 : clrUsed;

    // All sums below are far from the range of 64 bits: 32-bit fields plus a few products of
    // values already capped at 3000 and 32767.
    const std::uint32_t infoSize = le::u32(head, 14);
    const std::uint64_t pixelOffset = le::u32(head, 10);
    const std::uint64_t paletteEnd = 14 + std::uint64_t{infoSize} + 4 * std::uint64_t{entries};
    if (pixelOffset < paletteEnd)
        return refuse("I dati dei pixel cominciano prima della fine della tavolozza.");

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const int padding = rowPaddingFor(w);
    const std::uint64_t rowsBytes =
        static_cast<std::uint64_t>(h) * static_cast<std::uint64_t>(w + padding);
    if (fileLength < pixelOffset + rowsBytes) return refuse("Il file è troppo corto per le sue righe.");

    LayoutResult r;
    r.ok = true;
    Layout& l = r.layout;
    l.infoSize = infoSize;
    l.width = w;
    l.height = h;
    l.topDown = storedHeight < 0;
    l.paletteEntries = entries;
    l.clrImportant = le::u32(head, 50);
    l.pixelOffset = static_cast<std::uint32_t>(pixelOffset);
    l.padding = padding;
    l.plain = infoSize == 40 && entries == 256 && pixelOffset == plainPixelOffset && !l.topDown;
    return r;
}

}  // namespace velta::bitmap
