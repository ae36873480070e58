// Nothing of its own: a target that precompiles headers other targets share.
