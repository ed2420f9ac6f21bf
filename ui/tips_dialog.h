// The tips browser: short help texts with a picture each, grouped by topic, from the help
// folder ("help\<topic>\*.txt", the picture "help\<topic>\<name>.jpg"). "Next Tip >>" walks
// the topic's files, the tabs switch topics, a button reads the tip aloud, "Open Manual"
// opens the HTML manual, and "Show Tips On Start" is the [use_tips] setting. The text scrolls
// by dragging it.
#pragma once

// The program's picture of the read-aloud button (black is transparent).
constexpr int IDB_READ_ALOUD = 343;

// The event the browser sends itself to show the next tip of its topic.
constexpr int k_tips_next_event = 15;

// The scroll offset after a drag step: dragging by dy (normalised device units, y up) on a
// screen of half height h moves the text by dy x h GUI units, never outside 0..2.
float tips_scroll_offset(float offset, float dy, float h);
