#pragma once

#include "TransferLine.h"

#include <QStringView>

// The 87-character record of the transfer text file, one field after the other: the one
// table by which records are cut when read, laid out when written and checked before.
namespace RecordLayout
{

struct Field {
    int start; // first character, from 0
    int width; // characters
    const char *name;

    QStringView of(QStringView record) const { return record.mid(start, width); }
};

inline constexpr Field Caption{0, 9, "Code"}; // postal code (4) and agency code (5)
inline constexpr Field Account{9, 10, "Compte"};
inline constexpr Field Key{19, 2, "CleRip"};
inline constexpr Field Net{21, 13, "Net"};         // centimes, zeros in front
inline constexpr Field Yield{34, 13, "Rendement"}; // centimes, zeros in front
inline constexpr Field Insurance{47, 12, "NumAss"};
inline constexpr Field Name{59, 27, "NomPrenom"};
inline constexpr Field ContractType{86, 1, "TypeContrat"};

inline constexpr Field Fields[] = {Caption, Account,   Key,  Net,
                                   Yield,   Insurance, Name, ContractType};

constexpr bool fieldsFollowEachOther()
{
    int at = 0;
    for (const Field &f : Fields) {
        if (f.start != at) return false;
        at += f.width;
    }
    return at == TransferLine::RecordWidth;
}
static_assert(fieldsFollowEachOther(), "the fields must fill the record, one after the other");

} // namespace RecordLayout
