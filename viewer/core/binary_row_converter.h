// Row bit strings from GetStringBits of the component's class Binary. The one
// object is created through the component model on the first row and kept
// until the converter is destroyed at the end of the program.
#pragma once

#include "row_converter.h"

#include <binary_interface.h>

class BinaryRowConverter final : public RowConverter {
public:
    BinaryRowConverter() = default;
    ~BinaryRowConverter() override;
    BinaryRowConverter(const BinaryRowConverter&) = delete;
    BinaryRowConverter& operator=(const BinaryRowConverter&) = delete;

    bool RowBits(uint8_t low, uint8_t high, std::u16string& bits) override;
    std::u16string Failure() const override { return failure_; }

private:
    bool CreateBinary();

    _Binary* binary_ = nullptr;
    std::u16string failure_;
};
