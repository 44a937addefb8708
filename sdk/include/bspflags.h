// Contents bits of the world and the trace masks built from them.
#pragma once

#define CONTENTS_EMPTY 0
#define CONTENTS_SOLID 0x1
#define CONTENTS_WINDOW 0x2
#define CONTENTS_GRATE 0x8
#define CONTENTS_WATER 0x20
#define CONTENTS_OPAQUE 0x80
#define CONTENTS_MOVEABLE 0x4000
#define CONTENTS_PLAYERCLIP 0x10000
#define CONTENTS_MONSTERCLIP 0x20000
#define CONTENTS_MONSTER 0x2000000
#define CONTENTS_DEBRIS 0x4000000
#define CONTENTS_HITBOX 0x40000000

#define MASK_ALL 0xFFFFFFFF
// What blocks sight: solid, opaque and movable (0x4081).
#define MASK_OPAQUE (CONTENTS_SOLID | CONTENTS_MOVEABLE | CONTENTS_OPAQUE)
#define MASK_SOLID \
    (CONTENTS_SOLID | CONTENTS_MOVEABLE | CONTENTS_WINDOW | CONTENTS_MONSTER | CONTENTS_GRATE)
#define MASK_PLAYERSOLID (MASK_SOLID | CONTENTS_PLAYERCLIP)
#define MASK_SHOT                                                                                \
    (CONTENTS_SOLID | CONTENTS_MOVEABLE | CONTENTS_MONSTER | CONTENTS_WINDOW | CONTENTS_DEBRIS | \
     CONTENTS_HITBOX)

static_assert(MASK_OPAQUE == 0x4081, "the sight mask is solid, opaque and movable");
