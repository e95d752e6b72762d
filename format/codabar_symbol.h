#pragma once
// Codabar output options, and the joining of the two halves of an ABC or CX
// Codabar pair into one label. The first half read is held until its partner
// comes; the read cycle drops it when reading starts or stops.

#include "format/symbology.h"

class CodabarSymbol final : public Symbology {
public:
    // Results of Concatenation.
    static constexpr int kOutputAsRead = 0;  // a plain label: output it
    static constexpr int kHeld = 1;          // a first half, now held
    static constexpr int kJoined = 2;        // both halves joined in the record
    static constexpr int kRepeat = 3;        // the held half read again
    static constexpr int kFormDisabled = 4;  // a plain label while plain Codabar is off

    // Kinds of half, from modifier bits 11-14.
    static constexpr unsigned char kAbcFirst = 1;
    static constexpr unsigned char kAbcSecond = 2;
    static constexpr unsigned char kCxFirst = 4;
    static constexpr unsigned char kCxSecond = 8;

    static constexpr unsigned kHeldCapacity = 1026;

    // Bits of the forms setting (code/codabar/enable_abc_cx).
    static constexpr unsigned kNormalForm = 1;
    static constexpr unsigned kAbcForm = 2;
    static constexpr unsigned kCxForm = 4;

    CodabarSymbol();

    void GetOptionCode1(char (&text)[4]) const override;
    void GetOptionCode2(char (&text)[4]) const override;
    void GetOptionCode3(char (&text)[4]) const override;

    bool GetNormalCodeEnable() const;
    bool GetAbcCodeEnable() const;
    bool GetCxCodeEnable() const;
    bool GetCheckDigitVerification() const;
    bool GetCheckDigitTransmission() const;
    bool GetSpaceInsertion() const;
    unsigned GetSTSPTransmission() const;
    bool GetInterCharacterGapCheck() const;
    unsigned GetCheckDigitType() const;
    unsigned GetCD7DRCharacterTable() const;
    unsigned GetCD7DSRCharacterTable() const;
    unsigned GetCD9DRCharacterTable() const;
    unsigned GetCD9DSRCharacterTable() const;

    // Joins or holds the record's label by its half kind, with the forms that
    // `forms` (kNormalForm, kAbcForm, kCxForm) switches on: the label's copy of
    // the setting, read once, so that one label is judged by one value.
    // `mode` has no effect. A half longer than the held buffer, or a join that
    // would not fit the record, is not held or joined: the label goes out as read.
    int Concatenation(FormatterDecodeData* record, unsigned mode, unsigned forms);
    // Forgets a held half.
    void InitializeConcatenation();

    unsigned char HeldKind() const { return heldKind_; }
    unsigned HeldLength() const { return heldLength_; }

    static unsigned char KindOf(unsigned modifier);

private:
    unsigned char heldKind_ = 0;
    unsigned heldLength_ = 0;
    unsigned char held_[kHeldCapacity + 1] = {};
};

extern CodabarSymbol codabar;
