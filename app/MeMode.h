// The fixed table of radio models.
#pragma once

// Fills ModelList with the known models, in the order every list shows them, and sets
// AppState's title.
void BuildModelTable();
