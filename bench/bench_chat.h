#pragma once

// Chat output: tagged lines converted and appended to a shown output view, hostile lines
// converted, and the memory of 20 full chat pages.
void benchChat();
