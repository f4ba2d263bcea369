#pragma once
// Names of a numbered FD model series: one file per strip along X, named prefix + decimal number
// + rest (snap1.dat ... snap12.dat), and the ascending list of the file numbers selected.
//
// The utility object of the random-media layer offers the same splitting and list; it forwards
// to these, so that the volume layer below it can use them.

#include <string>
#include <vector>

// One selected path taken apart. The folder separator is '/'.
struct SeriesName {
    std::string Folder;     // the path up to its last '/', empty when it has none
    std::string FileName;   // the part after the last '/'
    std::string Prefix;     // FileName before its first decimal digit (all of it when none)
    std::string NumberText; // the first run of decimal digits, zero padding kept; empty when none
    int Number = -1; // decimal value of NumberText; -1 when there is none or it passes INT_MAX

    bool HasNumber() const { return Number >= 0; }
};

SeriesName SplitSeriesName(const std::string& path);

// File numbers in ascending order without duplicates, at most MaxNumbers of them.
class SeriesNumberList {
public:
    static constexpr int MaxNumbers = 2000;

    // Inserts number in order; returns its index, or -1 when it is already listed, negative or
    // the list is full.
    int Insert(int number);
    bool Contains(int number) const;
    int Count() const { return static_cast<int>(numbers.size()); }
    int At(int k) const { return numbers[static_cast<std::size_t>(k)]; }
    const std::vector<int>& Numbers() const { return numbers; }
    bool IsFull() const { return Count() >= MaxNumbers; }

private:
    std::vector<int> numbers;
};
