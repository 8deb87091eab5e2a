// Resource identifiers of the layout builder tests.
#pragma once

#define IDX_BUILDER_TREE 901       // type XML: a small window layout
#define IDX_BUILDER_INCLUDING 902  // type XML: includes IDX_BUILDER_PART three times
#define IDX_BUILDER_PART 903       // type XML: two controls
#define IDX_BUILDER_SELF 904       // type XML: includes itself twice, without end
#define IDR_BUILDER_TREE_DATA 905  // RCDATA: the same text as IDX_BUILDER_TREE
