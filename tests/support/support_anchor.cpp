// Anchor so the support library always has one object.
namespace quorvane_test { int support_anchor = 0; }
