// The table of record kinds: notes, memos and contacts.
#include "data/recordkinds.h"

#include <array>

namespace {

const std::array<RecordKindInfo, 3> &table()
{
    static const std::array<RecordKindInfo, 3> kinds = {{
        {RecordKind::Note, 1, QStringLiteral("JS-"), QStringLiteral("jsbnrb"), QStringLiteral("jsid")},
        {RecordKind::Memo, 2, QStringLiteral("BWL-"), QStringLiteral("bwlnrb"), QStringLiteral("bwlid")},
        {RecordKind::Contact, 3, QStringLiteral("TXL-"), QStringLiteral("tongxunlb"), QStringLiteral("txlid")},
    }};
    return kinds;
}

} // namespace

namespace RecordKinds {

const RecordKindInfo &of(RecordKind kind)
{
    return table().at(size_t(int(kind) - 1));
}

const RecordKindInfo *byCounter(int counter)
{
    for (const RecordKindInfo &k : table())
        if (k.counter == counter)
            return &k;
    return nullptr;
}

} // namespace RecordKinds
