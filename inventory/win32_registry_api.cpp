// Windows back end of the registry seam.
