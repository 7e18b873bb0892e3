#pragma once
// The page-side script the host serves as /fotaro.js (tools/pagehost/fotaro.js, built into the
// program).

extern const char kFotaroScript[];
