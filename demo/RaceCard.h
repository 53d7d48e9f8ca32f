#pragma once

#include <string_view>
#include <vector>

// The day's races of the demo: made-up horses, riders and odds, enough for the race
// list, the predictions, the race cards, the tallies, the search and the flash results.
struct Horse
{
    int number;
    const char *name;
    const char *jockey;
    double odds; // win odds
    const char *mark; // the prediction mark, "" when none
    int finish; // 1.. once the race is run, 0 before
    const char *time; // finishing time of the first three, "" otherwise
};

struct Race
{
    const char *id;
    const char *venue;
    int number;
    const char *name;
    const char *course;
    const char *post; // post time
    const char *comment;
    std::vector<Horse> horses;

    bool finished() const;
};

const std::vector<Race> &races();
// The race of that id, or nullptr.
const Race *findRace(std::string_view id);
