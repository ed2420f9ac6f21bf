// An empty translation unit for folders that hold no code yet.
