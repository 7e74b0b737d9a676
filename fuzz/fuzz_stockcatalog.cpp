// Reads any bytes as a stock templates file and as a paper sizes file, resolves equivalents
// and checks that every template kept is a sheet that can be printed on.
#include "print/stockcatalog.h"

#include <cstdint>
#include <cstdlib>

namespace {
void require(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    QHash<QString, QSizeF> papers = {{QStringLiteral("A4"), QSizeF(11906, 16838)}};
    if (const auto read = stockcatalog::parsePaperSizes(bytes, &error)) {
        require(error.isEmpty());
        for (auto at = read->cbegin(); at != read->cend(); ++at)
            require(at.value().width() > 0 && at.value().height() > 0);
    }
    error.clear();
    std::vector<StockTemplate> templates = stockcatalog::parseTemplates(bytes, papers, &error);
    require(error.isEmpty() || templates.empty());
    stockcatalog::resolveEquivalents(templates);
    for (const StockTemplate& stock : templates) {
        const int count = stock.labelCount();
        require(count > 0 && count <= stockcatalog::MaxLabelsPerSheet);
        require(int(stock.corners().size()) == count);
        require(stock.paperTwips.width() > 0 && stock.labelTwips.height() > 0);
        require(stock.layout().cellCorners.size() == size_t(count));
    }
    return 0;
}
