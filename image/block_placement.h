// Block placement of the hex stream: the records of an image text read one
// after another, their data bytes gathered into blocks of up to 128 bytes,
// each block handed to a sink with its flash address. The flash writer's
// sink writes the blocks to the reader; the image check's sink notes them.
//
// Every data byte lands at its record's own address: a data record that does
// not continue the block where it ends (a gap, or an address below it) ends
// that block, which goes to the sink as it stands, and starts a new one at
// its own address. So does the first data record after an extended linear
// address record. The rest of a record that fills a block continues in the
// next block, 128 bytes further on.
#pragma once
#include <cstdint>

constexpr int flashBlockSize = 128;

// Streaming starts here in the image text; the bytes before it are the
// bootloader's own records, which the update never writes.
constexpr uint32_t streamOffset = 124;

// Intel HEX record types. The stream follows data, end-of-file and extended
// linear address records and passes over any other.
enum HexRecordType : uint8_t {
    recordData = 0,
    recordEndOfFile = 1,
    recordExtendedSegmentAddress = 2,
    recordStartSegmentAddress = 3,
    recordExtendedLinearAddress = 4,
    recordStartLinearAddress = 5,
};

// Where the blocks go. writeBlock takes n bytes (1 to 128) for a flash
// address and may change them in place (the buffer holds 128 bytes); false
// stops the pass. recordRead, when set, is called once for every record
// before it is read.
struct BlockSink {
    void* context;
    bool (*writeBlock)(void* context, uint32_t address, uint8_t* bytes, uint8_t n);
    void (*recordRead)(void* context);
};

// How a pass over the records ended.
enum class PlacementEnd : uint8_t {
    endOfFile,     // the end-of-file record was reached and every block taken
    badRecord,     // a length, address, type or data pair is not upper-case hex, or a length is above 128
    noNextRecord,  // the text is empty, ends, or has no colon where the next record must start
    blockRefused,  // the sink refused a block
};

// What a pass carries in and out besides the blocks.
struct PlacementTotals {
    uint16_t upperAddress;  // in: the last extended linear address; out: after the pass
    uint16_t dataSum;       // out: 16-bit sum of the data bytes placed
};

// Reads the records of text (which starts at a record's colon; single
// character line ends) up to the end-of-file record.
PlacementEnd placeHexRecords(const uint8_t* text, uint32_t length, const BlockSink& sink, PlacementTotals* totals);
