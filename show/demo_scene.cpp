// Scene rendering for the show: the render lists, the light override, the fog switch and the
// camera, and the shadowed drawing of what was added.
