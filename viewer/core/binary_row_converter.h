// Row bit strings from GetStringBits of the component's class Binary. The one
// object is created through the component model on the first row and kept
// until the converter is destroyed at the end of the program.
#pragma once

#include "row_converter.h"

#include <binary_interface.h>

#include <array>
#include <utility>

class BinaryRowConverter final : public RowConverter {
public:
    // howToRegister ends the message when the class can't be created: how
    // the component is registered on this platform.
    explicit BinaryRowConverter(WideText howToRegister) : howToRegister_(std::move(howToRegister)) {}
    ~BinaryRowConverter() override;
    BinaryRowConverter(const BinaryRowConverter&) = delete;
    BinaryRowConverter& operator=(const BinaryRowConverter&) = delete;

    bool RowBits(uint8_t low, uint8_t high, WideTextView& bits) override;
    WideText Failure() const override { return failure_; }

private:
    bool CreateBinary();

    const WideText howToRegister_;
    _Binary* binary_ = nullptr;
    // The character of every byte value, and the string that passes a row's
    // two characters: made with the object and rewritten for every row, as
    // GetStringBits only reads its argument. Each row then costs one
    // allocation, the component's for the result.
    std::array<OLECHAR, 256> characters_{};
    BSTR row_ = nullptr;
    // The last row's bit string, as GetStringBits returned it: the caller's
    // to free, which happens at the next row.
    BSTR bits_ = nullptr;
    WideText failure_;
};
