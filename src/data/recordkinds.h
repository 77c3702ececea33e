// The kinds of record that carry a readable identifier: notes, memos and
// contacts, each with its counter kind in xmidb, its prefix, its table and
// the column that stores the identifier.
#pragma once

#include <QString>

enum class RecordKind { Note = 1, Memo = 2, Contact = 3 };

struct RecordKindInfo {
    RecordKind kind;
    int counter;      // the xmfl of its counter row
    QString prefix;   // "JS-", "BWL-", "TXL-"
    QString table;    // jsbnrb, bwlnrb, tongxunlb
    QString idColumn; // jsid, bwlid, txlid
};

namespace RecordKinds {
const RecordKindInfo &of(RecordKind kind);
// The kind counted by `counter`, or nullptr for a number no kind uses.
const RecordKindInfo *byCounter(int counter);
} // namespace RecordKinds
