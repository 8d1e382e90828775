#include "windows/results/sound_drag.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QRandomGenerator>

namespace {

constexpr quint32 kMagic = 0x54534442; // "TSDB"
constexpr quint32 kVersion = 1;
// Names are 255 bytes at most in the catalog; a bound keeps a damaged payload from asking
// for huge allocations.
constexpr quint32 kMaxText = 64 * 1024;
constexpr quint32 kMaxRows = 10 * 1000 * 1000;

void WriteText(QDataStream& out, const std::string& text) {
    out << static_cast<quint32>(text.size());
    out.writeRawData(text.data(), static_cast<int>(text.size()));
}

bool ReadText(QDataStream& in, std::string& text) {
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size > kMaxText)
        return false;
    text.assign(size, '\0');
    if (size > 0 && in.readRawData(text.data(), static_cast<int>(size)) != static_cast<int>(size))
        return false;
    return in.status() == QDataStream::Ok;
}

} // namespace

const char* SoundDragBlock::MimeType() { return "application/x-corvessa-tambrel-sound"; }

unsigned long long SoundDragBlock::ProcessToken() {
    static const unsigned long long token = [] {
        unsigned long long value = 0;
        while (value == 0)
            value = QRandomGenerator::system()->generate64();
        return value;
    }();
    return token;
}

SoundDragBlock SoundDragBlock::Category(int superCategory, const std::string& category,
                                        const std::string& subcategory) {
    SoundDragBlock block;
    block.kind = kCategory;
    block.superCategory = superCategory;
    block.category = category;
    block.subcategory = subcategory;
    return block;
}

SoundDragBlock SoundDragBlock::Rows(std::vector<SoundDragRow> rows) {
    SoundDragBlock block;
    block.kind = kRows;
    block.rows = std::move(rows);
    return block;
}

std::string SoundDragBlock::Encode() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kMagic << kVersion << static_cast<quint64>(ProcessToken()) << static_cast<qint32>(kind);
    if (kind == kCategory) {
        out << static_cast<qint32>(superCategory);
        WriteText(out, category);
        WriteText(out, subcategory);
    } else {
        out << static_cast<quint32>(rows.size());
        for (const SoundDragRow& row : rows) {
            out << static_cast<qint32>(row.fileId) << static_cast<qint32>(row.variantRate)
                << static_cast<qint32>(row.fileRate);
            WriteText(out, row.path);
        }
    }
    return bytes.toStdString();
}

std::optional<SoundDragBlock> SoundDragBlock::Decode(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QDataStream in(raw);
    in.setByteOrder(QDataStream::LittleEndian);
    quint32 magic = 0, version = 0;
    quint64 token = 0;
    qint32 kind = -1;
    in >> magic >> version >> token >> kind;
    if (in.status() != QDataStream::Ok || magic != kMagic || version != kVersion ||
        token != ProcessToken())
        return std::nullopt;
    SoundDragBlock block;
    block.kind = kind;
    if (kind == kCategory) {
        qint32 superCategory = 0;
        in >> superCategory;
        block.superCategory = superCategory;
        if (!ReadText(in, block.category) || !ReadText(in, block.subcategory))
            return std::nullopt;
    } else if (kind == kRows) {
        quint32 count = 0;
        in >> count;
        if (in.status() != QDataStream::Ok || count > kMaxRows)
            return std::nullopt;
        // Each row takes at least 16 bytes, so a count the bytes cannot hold is damage.
        if (static_cast<qint64>(count) * 16 > raw.size())
            return std::nullopt;
        block.rows.reserve(count);
        for (quint32 i = 0; i < count; ++i) {
            qint32 fileId = 0, variantRate = 0, fileRate = 0;
            in >> fileId >> variantRate >> fileRate;
            SoundDragRow row;
            row.fileId = fileId;
            row.variantRate = variantRate;
            row.fileRate = fileRate;
            if (!ReadText(in, row.path))
                return std::nullopt;
            block.rows.push_back(std::move(row));
        }
    } else {
        return std::nullopt;
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return block;
}

void SoundDragBlock::Fill(QMimeData& data) const {
    const std::string bytes = Encode();
    data.setData(QString::fromLatin1(MimeType()),
                 QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::unique_ptr<QMimeData> SoundDragBlock::ToMimeData() const {
    auto data = std::make_unique<QMimeData>();
    Fill(*data);
    return data;
}

bool SoundDragBlock::Offers(const QMimeData* data) {
    return data != nullptr && data->hasFormat(QString::fromLatin1(MimeType()));
}

std::optional<SoundDragBlock> SoundDragBlock::FromMimeData(const QMimeData* data) {
    if (!Offers(data))
        return std::nullopt;
    return Decode(data->data(QString::fromLatin1(MimeType())).toStdString());
}
