// Stands in for a component folder that has no sources yet.
