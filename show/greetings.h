// The greetings drawn by the greetings drum.
#pragma once

// The greeted handles and a message to each, in the order the drum shows them.
// Texts are Latin-1.
struct Greeting {
  const char* handle;
  const char* message;
};

extern const Greeting greetingsTable[8];
