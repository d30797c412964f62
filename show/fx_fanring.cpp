// The fan ring: a ring of fan meshes with its own state, drawn by the weird scene and the box
// sections.
