#pragma once

class ConVar;

// Live and knives on three. Its start money is registered ahead of the
// restart sequence, since the settings summaries name it already; the
// sequence resets mp_startmoney to it once a live start completes.
extern ConVar tk_startmoney;
